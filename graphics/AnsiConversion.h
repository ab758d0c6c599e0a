// Conversions between narrow strings in the active ANSI code page and the wide strings Win32 APIs take.
// They do not guess encodings: narrow text is always taken to be in the process's ANSI code page.
#pragma once

#include <string>

std::wstring AnsiToWide(const std::string& text);
// Characters the code page cannot hold become the code page's default character.
std::string WideToAnsi(const std::wstring& text);
