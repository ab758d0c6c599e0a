// DxException construction from the guard's narrow texts, and its text form for the entry point's report.
// It does not look up system error messages: the HRESULT is shown as a number.
#include "graphics/DxException.h"

#include "graphics/AnsiConversion.h"

#include <cstdio>

DxException::DxException(HRESULT errorCode, const std::wstring& functionName, const std::wstring& fileName,
                         int lineNumber)
    : m_errorCode(errorCode), m_functionName(functionName), m_fileName(fileName), m_lineNumber(lineNumber)
{
}

DxException DxException::FromCall(HRESULT errorCode, const char* expressionText, const char* sourcePath, int lineNumber)
{
    std::string stem = sourcePath ? sourcePath : "";
    const size_t slash = stem.find_last_of("/\\");
    if (slash != std::string::npos)
    {
        stem.erase(0, slash + 1);
    }
    const size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
    {
        stem.erase(dot);
    }
    return DxException(errorCode, AnsiToWide(expressionText ? expressionText : ""), AnsiToWide(stem), lineNumber);
}

std::wstring DxException::ToString() const
{
    wchar_t code[16];
    std::swprintf(code, sizeof code / sizeof code[0], L"0x%08lX", static_cast<unsigned long>(m_errorCode));
    return m_functionName + L" failed in " + m_fileName + L"; line " + std::to_wstring(m_lineNumber) + L"; error: " +
           code;
}
