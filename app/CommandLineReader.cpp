// The tools' command-line reader: see CommandLineReader.h.
#include "app/CommandLineReader.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

bool CommandLineReader::Next()
{
    if (m_started)
    {
        ++m_index;
    }
    m_started = true;
    if (m_index >= m_args.size())
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

std::optional<std::string> CommandLineReader::Value()
{
    if (m_inlineValue)
    {
        return m_inlineValue;
    }
    if (m_index + 1 >= m_args.size())
    {
        return std::nullopt;
    }
    return m_args[++m_index];
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
