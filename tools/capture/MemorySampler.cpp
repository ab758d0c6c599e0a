// Memory figures of the capture tool: see MemorySampler.h.
#include "tools/capture/MemorySampler.h"

#include <windows.h>
#include <psapi.h>

#include <d3d11.h>

#include <iomanip>
#include <iostream>

#include "app/FrameTimer.h"

using Microsoft::WRL::ComPtr;

bool MemorySampler::Open(const std::string& path)
{
    m_file.open(path, std::ios::trunc);
    if (!m_file)
    {
        std::cerr << path << ": cannot write the memory file\n";
        return false;
    }
    m_file << kHeader << '\n' << std::fixed;
    m_startNanoseconds = FrameTimer::SystemNanoseconds();
    return true;
}

MemorySample MemorySampler::Take(ID3D11Device* device)
{
    MemorySample sample;
    const HANDLE process = GetCurrentProcess();
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
    {
        // Wine leaves PrivateUsage at 0 and reports the anonymous memory as the page-file usage, which is
        // what Windows' private bytes are too.
        sample.privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        sample.workingSet = counters.WorkingSetSize;
        sample.peakWorkingSet = counters.PeakWorkingSetSize;
    }
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles))
    {
        sample.handles = handles;
    }
    sample.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    sample.userObjects = GetGuiResources(process, GR_USEROBJECTS);

    // The adapter is looked up once; a device without the DXGI 1.4 report leaves the column at -1.
    if (!m_adapterAsked && device != nullptr)
    {
        m_adapterAsked = true;
        ComPtr<IDXGIDevice> dxgiDevice;
        ComPtr<IDXGIAdapter> adapter;
        if (SUCCEEDED(device->QueryInterface(IID_PPV_ARGS(dxgiDevice.GetAddressOf()))) &&
            SUCCEEDED(dxgiDevice->GetAdapter(adapter.GetAddressOf())))
        {
            adapter.As(&m_adapter);
        }
    }
    DXGI_QUERY_VIDEO_MEMORY_INFO video{};
    if (m_adapter && SUCCEEDED(m_adapter->QueryVideoMemoryInfo(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, &video)))
    {
        sample.videoBytes = static_cast<std::int64_t>(video.CurrentUsage);
    }
    return sample;
}

void MemorySampler::Write(long long frame, double runSeconds, ID3D11Device* device)
{
    const MemorySample sample = Take(device);
    const double wallSeconds = static_cast<double>(FrameTimer::SystemNanoseconds() - m_startNanoseconds) / 1e9;
    m_file << frame << ',' << std::setprecision(4) << runSeconds << ',' << std::setprecision(3) << wallSeconds << ','
           << sample.privateBytes / 1024 << ',' << sample.workingSet / 1024 << ',' << sample.peakWorkingSet / 1024
           << ',' << (sample.videoBytes < 0 ? -1 : sample.videoBytes / 1024) << ',' << sample.handles << ','
           << sample.gdiObjects << ',' << sample.userObjects << '\n';
    m_file.flush();   // a soak that dies still leaves its curve
}
