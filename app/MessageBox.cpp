// Message boxes: see MessageBox.h.
#include "app/MessageBox.h"

#include <iostream>

#include <windows.h>

namespace
{
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
    {
        return {};
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
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
    const std::wstring wideText = Widen(text);
    const std::wstring wideCaption = Widen(caption);
    MessageBoxW(nullptr, wideText.c_str(), caption.empty() ? nullptr : wideCaption.c_str(), MB_OK);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Handler() = std::move(handler);
}
