// The rules every command line follows, through each program's own parser: engine.exe's, engine-capture.exe's
// and baseline.exe's. A value given with "=" or as the next argument, a value missing, a switch given twice and
// an unknown argument must come out the same in all three, or one of them reads its switches its own way.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "app/EngineCommandLine.h"
#include "tools/bench/baseline/BaselineOptions.h"
#include "tools/capture/CaptureOptions.h"

namespace
{
// What a program made of a command line: the exit code it ends with before doing anything (64 when refused,
// 0 for --help), or nothing when it runs; and the file its file switch was given.
struct Reading
{
    std::optional<int> exitCode;
    std::optional<std::string> file;
};

struct Program
{
    const char* name;
    const char* fileSwitch;   // a switch that takes a file name
    std::function<Reading(const std::vector<std::string>&)> read;
};

Reading ReadEngine(const std::vector<std::string>& args)
{
    const EngineCommandLine commandLine(args);
    std::ostringstream out;
    std::ostringstream err;
    return {commandLine.Answer("test", out, err), commandLine.ChoreographyFile()};
}

// The tools' entries end with 64 for an error and with 0 for --help, as engine.exe does.
template <typename Options, typename Parse, typename File>
Reading ReadTool(const std::vector<std::string>& args, Parse parse, File file)
{
    Options options;
    if (parse(args, options))
    {
        return {CommandLineReader::kExitUsage, std::nullopt};
    }
    const std::string& given = options.*file;
    return {options.help ? std::optional<int>(0) : std::nullopt,
            given.empty() ? std::nullopt : std::optional<std::string>(given)};
}

const std::vector<Program>& Programs()
{
    static const std::vector<Program> programs = {
        {"engine.exe", "--choreography", ReadEngine},
        {"engine-capture.exe", "--choreography",
         [](const std::vector<std::string>& args) {
             return ReadTool<CaptureOptions>(args, ParseCaptureOptions, &CaptureOptions::choreographyFile);
         }},
        {"baseline.exe", "--csv",
         [](const std::vector<std::string>& args) {
             return ReadTool<BaselineOptions>(args, ParseBaselineOptions, &BaselineOptions::csvFile);
         }},
    };
    return programs;
}
}

TEST(CommandLineRules, AValueFollowsItsSwitchOrAnEqualsSignAlike)
{
    for (const Program& program : Programs())
    {
        const std::string name = program.fileSwitch;
        for (const auto& [args, file] : std::vector<std::pair<std::vector<std::string>, std::string>>{
                 {{name, "a b.xml"}, "a b.xml"},
                 {{name + "=a b.xml"}, "a b.xml"},
                 // Only the first "=" parts the switch from its value, which may look like a switch itself.
                 {{name + "=x=y.xml"}, "x=y.xml"},
                 {{name + "=--odd.xml"}, "--odd.xml"},
                 {{name, "-dash.xml"}, "-dash.xml"},
             })
        {
            const Reading reading = program.read(args);
            EXPECT_FALSE(reading.exitCode) << program.name << " " << args[0];
            EXPECT_EQ(reading.file, file) << program.name << " " << args[0];
        }
    }
}

TEST(CommandLineRules, AMissingValueARepeatedSwitchAValuedFlagAndAnUnknownArgumentAreRefused)
{
    for (const Program& program : Programs())
    {
        const std::string name = program.fileSwitch;
        for (const auto& args : std::vector<std::vector<std::string>>{
                 // missing: at the end, empty after "=", empty next argument, a switch where the value belongs
                 {name},
                 {name + "="},
                 {name, ""},
                 {name, "--help"},
                 // repeated, with the same value or another, in either spelling, or under another spelling
                 {name, "a.xml", name, "a.xml"},
                 {name + "=a.xml", name, "b.xml"},
                 {"--help", "--help"},
                 {"-h", "--help"},
                 {"/?", "-h"},
                 // a switch without a value given one
                 {"--help=yes"},
                 // unknown, also after --help, which does not end the reading
                 {"--frobnicate"},
                 {"a.xml"},
                 {""},
                 {"--help", "--frobnicate"},
             })
        {
            std::string shown;
            for (const std::string& arg : args)
            {
                shown += "'" + arg + "' ";
            }
            EXPECT_EQ(program.read(args).exitCode, CommandLineReader::kExitUsage) << program.name << " " << shown;
        }
        // Each switch once: the help asked for, and a file given, are read as such.
        EXPECT_EQ(program.read({"/?"}).exitCode, 0) << program.name;
        EXPECT_EQ(program.read({name, "a.xml", "-h"}).exitCode, 0) << program.name;
    }
}
