// Music decoding through Media Foundation: see MusicDecoder.h.
//
// Under Wine 8 MFCreateSourceReaderFromURL decodes an MP3 to the frame, with the encoder's padding trimmed; it
// reports the stream's native type as PCM where Windows reports MP3, so the output type is always set explicitly.
#include "app/live/timeline/MusicDecoder.h"

#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/FrameStats.h"

namespace
{
using Microsoft::WRL::ComPtr;

// Ten minutes of 48-kHz stereo: far more than a presentation's track, and a bound on what a broken or hostile
// file can make the decoder allocate.
constexpr std::size_t kMostSamples = std::size_t{10} * 60 * 48000 * 2;

// The file name in the active ANSI code page, as every narrow name of the program is.
std::wstring Wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Failed(const char* what, HRESULT result)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(result));
    return text;
}

// COM and Media Foundation for the span of one decoding, on the calling thread.
class MediaFoundationScope
{
public:
    MediaFoundationScope()
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_com = SUCCEEDED(com);
        m_result = MFStartup(MF_VERSION, MFSTARTUP_LITE);
    }
    ~MediaFoundationScope()
    {
        if (SUCCEEDED(m_result))
        {
            MFShutdown();
        }
        if (m_com)
        {
            CoUninitialize();
        }
    }
    MediaFoundationScope(const MediaFoundationScope&) = delete;
    MediaFoundationScope& operator=(const MediaFoundationScope&) = delete;
    HRESULT Result() const { return m_result; }

private:
    bool m_com = false;
    HRESULT m_result = E_FAIL;
};

std::string DecodeInto(const std::string& fileName, MusicDecoder::Decoded& decoded)
{
    if (GetFileAttributesW(Wide(fileName).c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        return "no such file";
    }
    wchar_t full[MAX_PATH] = {};
    if (GetFullPathNameW(Wide(fileName).c_str(), MAX_PATH, full, nullptr) == 0)
    {
        return "its full path is too long";
    }
    const MediaFoundationScope scope;
    if (FAILED(scope.Result()))
    {
        return Failed("MFStartup", scope.Result());
    }
    ComPtr<IMFSourceReader> reader;
    if (const HRESULT hr = MFCreateSourceReaderFromURL(full, nullptr, &reader); FAILED(hr))
    {
        return Failed("opening it as media (MFCreateSourceReaderFromURL)", hr);
    }
    constexpr DWORD kAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (const HRESULT hr = reader->SetStreamSelection(kAudio, TRUE); FAILED(hr))
    {
        return Failed("finding a sound stream", hr);
    }
    ComPtr<IMFMediaType> wanted;
    MFCreateMediaType(&wanted);
    wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    wanted->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    if (const HRESULT hr = reader->SetCurrentMediaType(kAudio, nullptr, wanted.Get()); FAILED(hr))
    {
        return Failed("decoding its sound to 16-bit PCM", hr);
    }
    ComPtr<IMFMediaType> given;
    if (const HRESULT hr = reader->GetCurrentMediaType(kAudio, &given); FAILED(hr))
    {
        return Failed("reading the decoded format", hr);
    }
    UINT32 channels = 0, rate = 0, bits = 0;
    given->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    given->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    given->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000 || bits != 16)
    {
        char text[96];
        std::snprintf(text, sizeof text, "an unusable decoded format (%u channels, %u Hz, %u bits)", channels, rate,
                      bits);
        return text;
    }
    decoded.channels = static_cast<int>(channels);
    decoded.sampleRate = static_cast<int>(rate);

    for (;;)
    {
        DWORD flags = 0;
        ComPtr<IMFSample> sample;
        if (const HRESULT hr = reader->ReadSample(kAudio, 0, nullptr, &flags, nullptr, &sample); FAILED(hr))
        {
            return Failed("decoding (ReadSample)", hr);
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM)
        {
            break;
        }
        if (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED)
        {
            return "its format changes midway";
        }
        if (!sample)
        {
            continue;
        }
        ComPtr<IMFMediaBuffer> buffer;
        if (const HRESULT hr = sample->ConvertToContiguousBuffer(&buffer); FAILED(hr))
        {
            return Failed("reading a decoded block", hr);
        }
        BYTE* data = nullptr;
        DWORD bytes = 0;
        if (const HRESULT hr = buffer->Lock(&data, nullptr, &bytes); FAILED(hr))
        {
            return Failed("reading a decoded block", hr);
        }
        const std::size_t count = bytes / sizeof(std::int16_t);
        if (decoded.samples.size() + count > kMostSamples)
        {
            buffer->Unlock();
            return "longer than ten minutes";
        }
        const std::size_t before = decoded.samples.size();
        decoded.samples.resize(before + count);
        std::memcpy(decoded.samples.data() + before, data, count * sizeof(std::int16_t));
        buffer->Unlock();
    }
    // A partial frame at the end would shift every channel after it.
    decoded.samples.resize(decoded.samples.size() / channels * channels);
    if (decoded.samples.empty())
    {
        return "no sound in it";
    }
    return "";
}
}

MusicDecoder::Decoded MusicDecoder::Decode(const std::string& fileName)
{
    const PhaseStopwatch stopwatch;
    Decoded decoded;
    decoded.problem = DecodeInto(fileName, decoded);
    if (!decoded.problem.empty())
    {
        decoded.samples.clear();
        decoded.samples.shrink_to_fit();
    }
    decoded.milliseconds = stopwatch.Milliseconds();
    return decoded;
}
