// The command-line reader of engine.exe and the tools: see CommandLineReader.h.
#include "app/CommandLineReader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

bool CommandLineReader::Next()
{
    if (m_started)
    {
        ++m_index;
    }
    m_started = true;
    if (m_refusal || m_index >= m_args.size())
    {
        return false;
    }
    m_name = m_args[m_index];
    m_inlineValue.reset();
    if (const auto equals = m_name.find('='); m_name.rfind("--", 0) == 0 && equals != std::string::npos)
    {
        m_inlineValue = m_name.substr(equals + 1);
        m_name = m_name.substr(0, equals);
    }
    return true;
}

bool CommandLineReader::Matches(std::string_view name, std::initializer_list<std::string_view> otherSpellings)
{
    if (m_name != name && std::find(otherSpellings.begin(), otherSpellings.end(), m_name) == otherSpellings.end())
    {
        return false;
    }
    if (std::find(m_seen.begin(), m_seen.end(), name) != m_seen.end())
    {
        Refuse(std::string(name) + " is given twice" + (Argument() == name ? "" : " ('" + Argument() + "')"));
        return false;
    }
    m_seen.emplace_back(name);
    return true;
}

bool CommandLineReader::Flag(std::string_view name, std::initializer_list<std::string_view> otherSpellings)
{
    if (!Matches(name, otherSpellings))
    {
        return false;
    }
    if (m_inlineValue)
    {
        Refuse("'" + Argument() + "': " + std::string(name) + " takes no value");
        return false;
    }
    return true;
}

bool CommandLineReader::WithValue(std::string_view name)
{
    return Matches(name, {});
}

std::optional<std::string> CommandLineReader::Value()
{
    if (m_inlineValue)
    {
        return m_inlineValue->empty() ? std::nullopt : m_inlineValue;
    }
    if (m_index + 1 >= m_args.size() || m_args[m_index + 1].empty() || m_args[m_index + 1].rfind("--", 0) == 0)
    {
        return std::nullopt;
    }
    return m_args[++m_index];
}

void CommandLineReader::Refuse(std::string message)
{
    if (!m_refusal)
    {
        m_refusal = std::move(message);
    }
}

void CommandLineReader::RefuseUnknown()
{
    Refuse("unknown argument '" + Argument() + "'");
}

bool CommandLineReader::ToDouble(const std::string& text, double& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool CommandLineReader::ToInt(const std::string& text, int& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || parsed < -INT_MAX || parsed > INT_MAX)
    {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}
