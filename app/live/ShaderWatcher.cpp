// Shader hot reload: see ShaderWatcher.h.
#include "app/live/ShaderWatcher.h"

#include "graphics/AnsiConversion.h"
#include "graphics/registries/ShaderClass.h"
#include "graphics/registries/ShaderHolder.h"

#include <iostream>

namespace
{
// The compiler's text ends in a zero and usually a line end; one of each is what the terminal and the overlay
// want.
std::string Printable(std::string messages)
{
    while (!messages.empty() && (messages.back() == '\0' || messages.back() == '\n' || messages.back() == '\r'))
    {
        messages.pop_back();
    }
    return messages;
}
}

ShaderWatcher::ShaderWatcher(ShaderHolder& shaders, ID3D11Device* device, FileChangePoller::Timing timing)
    : m_shaders(shaders), m_device(device), m_poller(timing)
{
}

int ShaderWatcher::Poll(std::int64_t nowNanoseconds)
{
    // Registering is cheap to follow: a name is added once and never removed.
    if (m_shaders.Size() != m_poller.Count())
    {
        for (const std::wstring& name : m_shaders.Names())
        {
            m_poller.Watch(WideToAnsi(name));
        }
    }
    int replaced = 0;
    for (const std::string& file : m_poller.Poll(nowNanoseconds))
    {
        std::string messages;
        switch (m_shaders.Reload(m_device, AnsiToWide(file), messages))
        {
        case ShaderHolder::ReloadOutcome::Replaced:
            ++replaced;
            m_failures.erase(file);
            std::cerr << file << ": reloaded\n";
            break;
        case ShaderHolder::ReloadOutcome::Failed:
            // Compilers name the file in each message, but not every compiler does it the same way.
            m_failures[file] = Printable(messages);
            if (m_failures[file].find(file) == std::string::npos)
            {
                m_failures[file] = file + ":\n" + m_failures[file];
            }
            std::cerr << file << ": the edit does not compile; the previous shader stays in use (messages also in "
                      << ShaderClass::kErrorFileName << ")\n"
                      << m_failures[file] << "\n";
            break;
        case ShaderHolder::ReloadOutcome::NotReady: m_poller.Retry(file); break;
        }
    }
    return replaced;
}

std::string ShaderWatcher::Problems() const
{
    std::string text;
    for (const auto& [file, messages] : m_failures)
    {
        (void)file;
        text += (text.empty() ? "" : "\n") + messages;
    }
    return text;
}
