// A lock file held for the life of one running program, and the test of whether another program still holds its
// own: how a program's files (its autosave, the versions it recovered) are told apart from those of a program that
// has ended, crashed or been killed. On Windows the file is opened with no sharing and deleted when its handle
// closes, which the system does for a process however it ends; elsewhere flock() plays the same part. A lock file
// left behind by a system crash is not held, so it never keeps a program's files from being offered back. It does
// not decide what the files are for.
#pragma once

#include <string>

class ProgramLock
{
public:
    ProgramLock() = default;
    // Takes `file`, creating it; Held() says whether that worked (another holder, or a folder that cannot be
    // written, leaves it untaken).
    explicit ProgramLock(std::string file);
    // Lets it go and removes the file.
    ~ProgramLock();
    ProgramLock(ProgramLock&& other) noexcept;
    ProgramLock& operator=(ProgramLock&& other) noexcept;
    ProgramLock(const ProgramLock&) = delete;
    ProgramLock& operator=(const ProgramLock&) = delete;

    bool Held() const { return m_handle != kNone; }
    const std::string& File() const { return m_file; }

    // Whether a running program (this one included, through another ProgramLock) holds `file`. A file that cannot
    // be looked at for another reason counts as held: what it guards is then left alone rather than taken.
    static bool HeldByAnyone(const std::string& file);

private:
    static constexpr long long kNone = -1;
    void Release();

    std::string m_file;
    long long m_handle = kNone;   // a HANDLE on Windows, a descriptor elsewhere
};
