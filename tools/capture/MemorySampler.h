// The capture tool's memory figures: the process's own counters (private bytes, working set, handle counts)
// and the video memory the adapter says is in use, written as CSV rows for soak runs. It only reads; it does
// not judge whether memory grows (tools/soak/ does that from the file).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include <dxgi1_4.h>
#include <wrl/client.h>

struct ID3D11Device;

struct MemorySample
{
    std::uint64_t privateBytes = 0;
    std::uint64_t workingSet = 0;
    std::uint64_t peakWorkingSet = 0;
    std::int64_t videoBytes = -1;   // -1: the adapter does not say
    unsigned handles = 0;
    unsigned gdiObjects = 0;
    unsigned userObjects = 0;
};

class MemorySampler
{
public:
    static constexpr const char* kHeader =
        "frame,time_s,wall_s,private_kb,working_set_kb,peak_working_set_kb,video_kb,handles,gdi_objects,user_objects";

    // Opens the file and writes the header; false (with a message on standard error) when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_file.is_open(); }

    // Reads the figures now. `device`, when given, is asked once for its adapter's video memory report.
    MemorySample Take(ID3D11Device* device);
    // Takes a sample and writes it as one row.
    void Write(long long frame, double runSeconds, ID3D11Device* device);

private:
    std::ofstream m_file;
    std::int64_t m_startNanoseconds = 0;
    bool m_adapterAsked = false;
    Microsoft::WRL::ComPtr<IDXGIAdapter3> m_adapter;
};
