// The one reader of the tools' command lines (engine-capture.exe, baseline.exe): walks the arguments, takes an
// option's value as "--name value" or "--name=value" alike, and converts numbers only when the whole text is
// one. It knows no option names; each tool decides what its options mean and what is an error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CommandLineReader
{
public:
    explicit CommandLineReader(const std::vector<std::string>& args) : m_args(args) {}

    // Moves to the next argument; false once all are read.
    bool Next();
    // The current argument's option name, without a "=value" part.
    const std::string& Name() const { return m_name; }
    // The current argument as it was given.
    const std::string& Argument() const { return m_args[m_index]; }
    // The current option's value: its "=value" part, or else the next argument (which is then used up).
    // Nothing when neither is there.
    std::optional<std::string> Value();

    // Whole-string conversions: "12abc" is an error, unlike atof and atoi; so are values out of range and, for
    // whole numbers, a fraction or a decimal point ("12.0").
    static bool ToDouble(const std::string& text, double& value);
    static bool ToInt(const std::string& text, int& value);

private:
    const std::vector<std::string>& m_args;
    std::size_t m_index = 0;
    bool m_started = false;
    std::string m_name;
    std::optional<std::string> m_inlineValue;
};
