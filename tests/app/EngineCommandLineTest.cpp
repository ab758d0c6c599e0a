// engine.exe's command line: no arguments play the presentation and print nothing; --version and --help answer
// on standard output and end with 0; an unknown argument is named on standard error with the usage and ends
// with the usage exit code, whatever else the command line holds.
#include <gtest/gtest.h>

#include <sstream>

#include "app/EngineCommandLine.h"

namespace
{
struct Outcome
{
    bool runs = false;
    std::optional<int> exitCode;
    std::string out;
    std::string err;
};

Outcome Answer(const std::vector<std::string>& args)
{
    const EngineCommandLine commandLine(args);
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.runs = commandLine.RunsPresentation();
    outcome.exitCode = commandLine.Answer("1.2-3-gabcdef0-dirty", out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}
}

TEST(EngineCommandLine, NoArgumentsPlayThePresentationSilently)
{
    const Outcome outcome = Answer({});
    EXPECT_TRUE(outcome.runs);
    EXPECT_FALSE(outcome.exitCode);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");
}

TEST(EngineCommandLine, VersionAndHelpAnswerOnStandardOutputAndSucceed)
{
    const Outcome version = Answer({"--version"});
    EXPECT_FALSE(version.runs);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Engine 1.2-3-gabcdef0-dirty\n");
    EXPECT_EQ(version.err, "");

    for (const char* help : {"--help", "-h", "/?"})
    {
        const Outcome outcome = Answer({help});
        EXPECT_FALSE(outcome.runs) << help;
        EXPECT_EQ(outcome.exitCode, 0) << help;
        EXPECT_EQ(outcome.out, EngineCommandLine::Usage()) << help;
        EXPECT_EQ(outcome.err, "") << help;
    }
    EXPECT_NE(EngineCommandLine::Usage().find("--version"), std::string::npos);
}

TEST(EngineCommandLine, WatchAndMusicLogPlayThePresentationAndAskForTheirExtras)
{
    EXPECT_FALSE(EngineCommandLine({}).Watches());
    EXPECT_FALSE(EngineCommandLine({}).LogsMusic());
    const Outcome outcome = Answer({"--watch", "--music-log"});
    EXPECT_TRUE(outcome.runs);
    EXPECT_FALSE(outcome.exitCode);
    EXPECT_TRUE(EngineCommandLine({"--watch"}).Watches());
    EXPECT_FALSE(EngineCommandLine({"--watch"}).LogsMusic());
    EXPECT_TRUE(EngineCommandLine({"--music-log"}).LogsMusic());
    EXPECT_NE(EngineCommandLine::Usage().find("--watch"), std::string::npos);
    EXPECT_NE(EngineCommandLine::Usage().find("--music-log"), std::string::npos);
}

TEST(EngineCommandLine, AnUnknownArgumentIsNamedWithTheUsageAndRefused)
{
    // Each command line with the argument its message must name.
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--verbose"}, "--verbose"},
        {{"World2.xml"}, "World2.xml"},
        {{"-version"}, "-version"},
        {{"--version=1"}, "--version=1"},
        {{""}, ""},
        {{"--version", "--frobnicate"}, "--frobnicate"},
        {{"--frobnicate", "--help", "--other"}, "--frobnicate"},
    };
    for (const auto& [args, unknown] : bad)
    {
        const Outcome outcome = Answer(args);
        EXPECT_FALSE(outcome.runs) << unknown;
        EXPECT_EQ(outcome.exitCode, EngineCommandLine::kExitUsage) << unknown;
        EXPECT_EQ(outcome.out, "") << unknown;
        EXPECT_NE(outcome.err.find(unknown), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find(EngineCommandLine::Usage()), std::string::npos) << unknown;
    }
}

TEST(EngineCommandLine, ChoreographySwitchesTakeTheirFileAndRefuseToGoWithoutOne)
{
    const EngineCommandLine play({"--choreography", "a b.xml", "--watch"});
    EXPECT_TRUE(play.RunsPresentation());
    EXPECT_EQ(play.ChoreographyFile(), "a b.xml");
    EXPECT_TRUE(play.Watches());
    EXPECT_EQ(EngineCommandLine({"--choreography=c.xml"}).ChoreographyFile(), "c.xml");
    EXPECT_FALSE(EngineCommandLine({}).ChoreographyFile());

    // Writing the compiled-in choreography is the caller's to do, with no window and no answer here.
    const Outcome write = Answer({"--write-choreography", "out.xml"});
    EXPECT_FALSE(write.runs);
    EXPECT_FALSE(write.exitCode);
    EXPECT_EQ(EngineCommandLine({"--write-choreography=out.xml"}).ChoreographyToWrite(), "out.xml");

    for (const auto& args : std::vector<std::vector<std::string>>{{"--choreography"},
                                                                  {"--choreography="},
                                                                  {"--write-choreography", ""},
                                                                  {"--watch", "--write-choreography"}})
    {
        const Outcome outcome = Answer(args);
        EXPECT_FALSE(outcome.runs) << args.back();
        EXPECT_EQ(outcome.exitCode, EngineCommandLine::kExitUsage) << args.back();
        EXPECT_NE(outcome.err.find("choreography"), std::string::npos) << outcome.err;
    }
}
