// The one way a failed Direct3D or DXGI call is reported: the HRESULT, the guarded expression's source text,
// the source file stem and the line. It formats no message of its own and derives from no other exception.
#pragma once

#include <windows.h>

#include <string>

class DxException
{
public:
    DxException() = default;
    DxException(HRESULT errorCode, const std::wstring& functionName, const std::wstring& fileName, int lineNumber);

    // Used by the guard: converts the compiler's narrow texts with the active code page and keeps only the
    // stem of the source path ("BlendState" for ".../graphics/BlendState.cpp").
    static DxException FromCall(HRESULT errorCode, const char* expressionText, const char* sourcePath, int lineNumber);

    // "<function> failed in <file>; line <n>; error: 0x<hr>", for whoever reports the exception.
    std::wstring ToString() const;

    HRESULT m_errorCode = S_OK;
    std::wstring m_functionName;
    std::wstring m_fileName;
    int m_lineNumber = -1;
};

// Guards one call (or a stored HRESULT): a negative result throws DxException with the expression's text.
#define DX_THROW_IF_FAILED(expression)                                                                                 \
    do                                                                                                                 \
    {                                                                                                                  \
        const HRESULT dxGuardResult = (expression);                                                                    \
        if (FAILED(dxGuardResult))                                                                                     \
        {                                                                                                              \
            throw DxException::FromCall(dxGuardResult, #expression, __FILE__, __LINE__);                               \
        }                                                                                                              \
    } while (false)
