// Message boxes: see MessageBox.h.
#include "app/MessageBox.h"

#include <iostream>

#include <windows.h>

#include "graphics/AnsiConversion.h"

namespace
{
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
}

void ShowMessageBox(const std::string& text, const std::string& caption)
{
    std::cerr << (caption.empty() ? std::string() : caption + ": ") << text << std::endl;
    if (Handler())
    {
        Handler()(text, caption);
        return;
    }
    const std::wstring wideText = AnsiToWide(text);
    const std::wstring wideCaption = AnsiToWide(caption);
    MessageBoxW(nullptr, wideText.c_str(), caption.empty() ? nullptr : wideCaption.c_str(), MB_OK);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}
