// The one reader of the command lines of engine.exe and the tools (engine-capture.exe, baseline.exe), so that a
// switch behaves the same in each of them:
//   - a value is given as "--name value" or "--name=value" alike;
//   - a value is missing when neither is there, when it is empty ("--name=", "--name ''"), or when the next
//     argument is a switch of its own ("--out --stats f.csv" forgot the folder; it does not name one called
//     "--stats"); "--name=--odd" still gives such a value;
//   - a switch that takes no value refuses one ("--watch=yes");
//   - a switch given twice is refused, even with the same value: which of two values was meant is not the
//     reader's to guess, and one dropped without a word (a moment not captured) costs more than a usage error;
//   - any other argument is unknown.
// Each of these is a usage error, which the program names and ends with kExitUsage. The reader knows no switch
// names: each program asks for its own, and decides what their values mean.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CommandLineReader
{
public:
    // Exit code for arguments a program does not understand: BSD's EX_USAGE.
    static constexpr int kExitUsage = 64;

    explicit CommandLineReader(const std::vector<std::string>& args) : m_args(args) {}

    // Moves to the next argument; false once all are read or the command line was refused.
    bool Next();
    // Whether the current argument is the switch `name` (or one of its `otherSpellings`, such as -h for --help),
    // one that takes no value. Refuses it, and answers false, when it comes with a value or for the second time.
    bool Flag(std::string_view name, std::initializer_list<std::string_view> otherSpellings = {});
    // Whether the current argument is the switch `name`, one that takes a value (then read with Value()).
    // Refuses it, and answers false, the second time.
    bool WithValue(std::string_view name);
    // --help, and its spellings -h and /?: the same in every program.
    bool Help() { return Flag("--help", {"-h", "/?"}); }
    // The current switch's value: its "=value" part, or else the next argument (which is then used up). Nothing
    // when it is missing (see above); the caller refuses with a message that says what the switch needs.
    std::optional<std::string> Value();

    // Refuses the command line with `message`. The first refusal stays and ends the reading.
    void Refuse(std::string message);
    // Refuses the current argument as unknown.
    void RefuseUnknown();
    // The refusal, if any.
    const std::optional<std::string>& Refusal() const { return m_refusal; }

    // Whole-string conversions: "12abc" is an error, unlike atof and atoi; so are values out of range and, for
    // whole numbers, a fraction or a decimal point ("12.0").
    static bool ToDouble(const std::string& text, double& value);
    static bool ToInt(const std::string& text, int& value);

private:
    // Whether the current argument's name is `name` or one of `otherSpellings`, and it is met for the first time.
    bool Matches(std::string_view name, std::initializer_list<std::string_view> otherSpellings);
    const std::string& Argument() const { return m_args[m_index]; }

    const std::vector<std::string>& m_args;
    std::size_t m_index = 0;
    bool m_started = false;
    std::string m_name;
    std::optional<std::string> m_inlineValue;
    std::vector<std::string> m_seen;   // the switches met so far, by their first spelling
    std::optional<std::string> m_refusal;
};
