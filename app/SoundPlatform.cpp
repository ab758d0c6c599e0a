// The platform's account of the sound path: see SoundPlatform.h.
#include "app/SoundPlatform.h"

#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <thread>

using Microsoft::WRL::ComPtr;

namespace
{
// REFERENCE_TIME counts 100-ns units.
constexpr double kReferenceTimeSeconds = 1e-7;

std::optional<double> AskDefaultDevice()
{
    ComPtr<IMMDeviceEnumerator> devices;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, IID_PPV_ARGS(&devices))))
    {
        return std::nullopt;
    }
    ComPtr<IMMDevice> device;
    if (FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &device)))
    {
        return std::nullopt;
    }
    ComPtr<IAudioClient> client;
    if (FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                reinterpret_cast<void**>(client.GetAddressOf()))))
    {
        return std::nullopt;
    }
    // The stream latency is known only for an initialised stream; one in the mix format, with the engine's own
    // buffer (0 asks for the device's default period), is the stream every shared-mode player gets.
    WAVEFORMATEX* format = nullptr;
    if (FAILED(client->GetMixFormat(&format)))
    {
        return std::nullopt;
    }
    const HRESULT initialised = client->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, 0, 0, format, nullptr);
    CoTaskMemFree(format);
    REFERENCE_TIME latency = 0;
    if (FAILED(initialised) || FAILED(client->GetStreamLatency(&latency)))
    {
        return std::nullopt;
    }
    return static_cast<double>(latency) * kReferenceTimeSeconds;
}
}

bool SoundPlatform::IsWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::optional<double> SoundPlatform::ReportedOutputLatencySeconds()
{
    std::optional<double> reported;
    std::thread asking([&reported] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        {
            return;
        }
        reported = AskDefaultDevice();
        CoUninitialize();
    });
    asking.join();
    return reported;
}

MusicLatency::Platform SoundPlatform::Ask()
{
    MusicLatency::Platform platform;
    platform.wine = IsWine();
    if (!platform.wine)
    {
        platform.reportedSeconds = ReportedOutputLatencySeconds();
    }
    return platform;
}
