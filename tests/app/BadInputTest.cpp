// The real engine.exe against damaged start-up files: for each file the program reads while it starts, a copy of
// the program folder with that one file missing, empty, cut short or replaced by random bytes, run as a child
// process. Whatever the damage, the program must not crash, hang or leave a message box behind: it runs (the
// file's failure is only reported, by design) or it fails start-up with exit code 1 (2 for an error raised as an
// exception) and a message naming the file. Quick by default; ENGINE_BAD_INPUT_FULL=1 runs every damage of every
// file (tests/app/BAD_INPUT.md). It does not judge what is drawn, only that the loop ran.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ScratchDirectory.h"
#include "app/guards/ExitWatchdog.h"
#include "app/guards/FatalErrorGuard.h"
#include "tests/app/ProgramRunner.h"

namespace fs = std::filesystem;

namespace
{
// ---------------------------------------------------------------------------------------------------------------
// The runner's own checks start this test program again as a child that misbehaves on purpose. This runs before
// GoogleTest sees the command line, so the child never reaches the tests.
constexpr const wchar_t* kChildSwitch = L"--bad-input-child=";

// Recursion that never ends, with a frame the optimiser can neither drop nor turn into a loop.
volatile bool g_neverTrue = false;
int RecurseForever(int level)
{
    if (g_neverTrue)
    {
        return level;
    }
    volatile char frame[256];
    frame[level % 256] = static_cast<char>(level);
    return RecurseForever(level + 1) + frame[(level * 7) % 256];
}

// A dialog that refuses OK and the close box, so that it stays until the runner gives up on it.
INT_PTR CALLBACK StuckDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG || message == WM_COMMAND || message == WM_CLOSE;
}

bool RunAsMisbehavingChildWhenAsked()
{
    const std::wstring commandLine = GetCommandLineW();
    const std::size_t at = commandLine.find(kChildSwitch);
    if (at == std::wstring::npos)
    {
        return false;
    }
    const std::wstring mode = commandLine.substr(at + wcslen(kChildSwitch));
    if (mode.rfind(L"crash", 0) == 0)
    {
        RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    }
    else if (mode.rfind(L"overflow", 0) == 0)
    {
        // As in the engine: the guard its entry installs, and another thread alive (there, the renderer's).
        InstallFatalErrorGuard();
        CreateThread(
            nullptr, 0,
            [](void*) -> DWORD {
                Sleep(INFINITE);
                return 0;
            },
            nullptr, 0, nullptr);
        return RecurseForever(0) != 0;
    }
    else if (mode.rfind(L"hang", 0) == 0)
    {
        Sleep(INFINITE);
    }
    else if (mode.rfind(L"stuck-exit", 0) == 0)
    {
        // As engine.exe arms it when its presentation is over, then an exit that never finishes.
        ExitWatchdog::Arm(500, 2);
        Sleep(INFINITE);
    }
    else if (mode.rfind(L"dialog", 0) == 0)
    {
        std::fputs("broken.xml: not a world\n", stderr);
        MessageBoxW(nullptr, L"Could not load broken.xml.", L"Error", MB_OK);
        ExitProcess(1);
    }
    else if (mode.rfind(L"stuck-dialog", 0) == 0)
    {
        alignas(4) WORD dialogTemplate[16] = {};   // no controls; menu, class and title words stay zero
        DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(dialogTemplate);
        header->style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
        header->cx = 100;
        header->cy = 40;
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), header, nullptr, StuckDialogProc, 0);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
        {
            if (!IsDialogMessageW(GetActiveWindow(), &message))
            {
                DispatchMessageW(&message);
            }
        }
    }
    ExitProcess(0);
    return true;
}

[[maybe_unused]] const bool g_isChild = RunAsMisbehavingChildWhenAsked();

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// ---------------------------------------------------------------------------------------------------------------
// What the engine reads at start-up. The actor files are the ones "World1.xml" names; the mesh, its materials and
// the material texture are one chain of them (a moving actor's); the rest are fixed in the program.
enum class Role
{
    Options,
    World,
    Actor,
    Mesh,
    Materials,
    StartupTexture,
    MaterialTexture,
    SkyTexture,
    Shader,
    Music
};

struct StartupFile
{
    const char* name;
    Role role;
    // Every damage in the quick run too, not only missing and garbage.
    bool everyDamageWhenQuick;
};

const StartupFile kStartupFiles[] = {
    {"EngineOptions.xml", Role::Options, true},
    {"World1.xml", Role::World, true},
    {"actors/Armillary.xml", Role::Actor, false},
    {"actors/CausewayDeck.xml", Role::Actor, false},
    {"actors/CausewayGallery.xml", Role::Actor, false},
    {"actors/CausewayLanterns.xml", Role::Actor, false},
    {"actors/CausewayStone.xml", Role::Actor, false},
    {"actors/Colonnade.xml", Role::Actor, false},
    {"actors/CompassRose.xml", Role::Actor, false},
    {"actors/GreatArmillary.xml", Role::Actor, false},
    {"actors/GreatArmillaryBase.xml", Role::Actor, false},
    {"actors/Meadow.xml", Role::Actor, false},
    {"actors/Mountains.xml", Role::Actor, false},
    {"actors/Orrery.xml", Role::Actor, false},
    {"actors/PaperGlider.xml", Role::Actor, true},
    {"actors/Plaza.xml", Role::Actor, false},
    {"actors/Plinth.xml", Role::Actor, false},
    {"actors/RingInner.xml", Role::Actor, false},
    {"actors/RingMiddle.xml", Role::Actor, false},
    {"actors/RingOuter.xml", Role::Actor, false},
    {"actors/Sea.xml", Role::Actor, false},
    {"actors/Sun.xml", Role::Actor, false},
    {"actors/WickerLantern.xml", Role::Actor, false},
    {"PaperGlider.obj", Role::Mesh, true},
    {"PaperGlider.mtl", Role::Materials, false},
    {"star-chart-paper-albedo.dds", Role::MaterialTexture, false},
    {"D.bmp", Role::StartupTexture, true},
    {"dirty-wicker-weave1-albedo.dds", Role::StartupTexture, false},
    {"10.dds", Role::SkyTexture, true},
    {"11.dds", Role::SkyTexture, false},
    {"BasicNormalMapPixelShader.fx", Role::Shader, false},
    {"BasicNormalMapVertexShader.fx", Role::Shader, false},
    {"SkyPixelShader.fx", Role::Shader, true},
    {"SkyVertexShader.fx", Role::Shader, false},
    {"PostPS.fx", Role::Shader, false},
    {"PostVS.fx", Role::Shader, false},
    {"DemoTrack01.mp3", Role::Music, false},
};

enum class Damage
{
    Missing,
    Empty,
    CutInHeader,   // inside the first element, header or statement
    FirstHalf,
    Garbage,       // random bytes of the same size, seeded by the file name
    DeeplyNested   // XML only: 8,000 nested elements as the root's first child, deeper than the parser's stack
};

// Deep enough to overflow the stack inside the XML parser (some 5,900 levels do) had the loader let it through.
constexpr int kDeepNesting = 8000;

const char* DamageName(Damage damage)
{
    switch (damage)
    {
    case Damage::Missing: return "missing";
    case Damage::Empty: return "empty";
    case Damage::CutInHeader: return "cut in header";
    case Damage::FirstHalf: return "first half";
    case Damage::Garbage: return "garbage";
    case Damage::DeeplyNested: return "nested 8000 deep";
    }
    return "?";
}

std::string Extension(const std::string& name)
{
    std::string extension = fs::path(name).extension().string();
    for (char& c : extension)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

std::string BaseName(const std::string& name)
{
    return fs::path(name).filename().string();
}

// Where a cut lands inside the file's first structure: the DDS header (after the magic), the bitmap's info
// header, an ID3 tag's header or the first frame header, the first element's start tag, or the first statement
// of a text file. Never more than half the file.
std::size_t HeaderCut(const std::string& bytes, const std::string& name)
{
    const std::string extension = Extension(name);
    std::size_t cut = bytes.size() / 2;
    if (extension == ".dds")
    {
        cut = 64;
    }
    else if (extension == ".bmp")
    {
        cut = 30;
    }
    else if (extension == ".mp3")
    {
        cut = bytes.compare(0, 3, "ID3") == 0 ? 6 : 2;
    }
    else if (extension == ".xml")
    {
        for (std::size_t at = bytes.find('<'); at != std::string::npos; at = bytes.find('<', at + 1))
        {
            if (at + 1 < bytes.size() && std::isalpha(static_cast<unsigned char>(bytes[at + 1])))
            {
                const std::size_t end = bytes.find('>', at);
                cut = at + ((end == std::string::npos ? bytes.size() : end) - at) / 2;
                break;
            }
        }
    }
    else
    {
        std::istringstream lines(bytes);
        std::string line;
        std::size_t at = 0;
        while (std::getline(lines, line))
        {
            const std::size_t first = line.find_first_not_of(" \t\r");
            if (first != std::string::npos && line[first] != '#' && line.compare(first, 2, "//") != 0)
            {
                cut = at + first + (line.size() - first) / 2;
                break;
            }
            at += line.size() + 1;
        }
    }
    return std::min(cut, bytes.size() / 2);
}

std::uint32_t NameSeed(const std::string& name)
{
    std::uint32_t hash = 2166136261u;   // FNV-1a: the same seed on every platform and every run
    for (const char c : name)
    {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

std::string Damaged(const std::string& original, Damage damage, const std::string& name)
{
    switch (damage)
    {
    case Damage::Missing:
    case Damage::Empty: return {};
    case Damage::CutInHeader: return original.substr(0, HeaderCut(original, name));
    case Damage::FirstHalf: return original.substr(0, original.size() / 2);
    case Damage::Garbage:
    {
        std::mt19937 random(NameSeed(name));
        std::string bytes(original.size(), '\0');
        for (char& byte : bytes)
        {
            byte = static_cast<char>(random() & 0xFF);
        }
        return bytes;
    }
    case Damage::DeeplyNested:
    {
        // Right after the root's start tag, so that without the nesting check the file reads as it did.
        std::size_t root = std::string::npos;
        for (std::size_t at = original.find('<'); at != std::string::npos; at = original.find('<', at + 1))
        {
            if (at + 1 < original.size() && std::isalpha(static_cast<unsigned char>(original[at + 1])))
            {
                root = original.find('>', at);
                break;
            }
        }
        if (root == std::string::npos)
        {
            return original;
        }
        std::string nested;
        for (int level = 0; level < kDeepNesting; ++level)
        {
            nested += "<Nest>";
        }
        for (int level = 0; level < kDeepNesting; ++level)
        {
            nested += "</Nest>";
        }
        return original.substr(0, root + 1) + nested + original.substr(root + 1);
    }
    }
    return {};
}

// What a damaged file of each role must lead to. Start-up needs the world, the two start-up textures and the six
// shaders; everything else only loses its part (an actor, a mesh, a texture, the music) and says so.
enum class Expected
{
    Runs,
    FailsStartUp
};

Expected ExpectedOutcome(Role role)
{
    switch (role)
    {
    case Role::World:
    case Role::StartupTexture:
    case Role::Shader: return Expected::FailsStartUp;
    default: return Expected::Runs;
    }
}

// A run that goes on must still have named the damaged file on standard error, except where silence is the
// design: no options file is the ordinary way to run with defaults, and the music is played or not without a
// word.
bool MustNameFileWhenRunning(Role role, Damage damage)
{
    if (role == Role::Music)
    {
        return false;
    }
    if (role == Role::Options && damage == Damage::Missing)
    {
        return false;
    }
    // The first half of a material file is a shorter material file: what the cut took away (a texture, a
    // colour) falls back without a word, a cut inside the last line only shortens a number or a name, and
    // nothing can tell that the file was cut.
    if (role == Role::Materials && damage == Damage::FirstHalf)
    {
        return false;
    }
    return true;
}

struct BadInputCase
{
    StartupFile file;
    Damage damage;
};

bool FullMatrix()
{
    const char* full = std::getenv("ENGINE_BAD_INPUT_FULL");
    return full != nullptr && std::string(full) == "1";
}

std::vector<BadInputCase> CasesFor(bool (*wanted)(Role))
{
    std::vector<BadInputCase> cases;
    for (const StartupFile& file : kStartupFiles)
    {
        if (!wanted(file.role))
        {
            continue;
        }
        for (const Damage damage : {Damage::Missing, Damage::Empty, Damage::CutInHeader, Damage::FirstHalf,
                                    Damage::Garbage, Damage::DeeplyNested})
        {
            if (damage == Damage::DeeplyNested && Extension(file.name) != ".xml")
            {
                continue;
            }
            const bool quick = damage == Damage::Missing || damage == Damage::Garbage || file.everyDamageWhenQuick;
            if (quick || FullMatrix())
            {
                cases.push_back({file, damage});
            }
        }
    }
    return cases;
}

bool StartUpRole(Role role)
{
    return role == Role::Options || role == Role::World || role == Role::StartupTexture || role == Role::Shader;
}
bool ActorRole(Role role)
{
    return role == Role::Actor;
}
bool AssetRole(Role role)
{
    return !StartUpRole(role) && !ActorRole(role);
}

std::string CaseName(const testing::TestParamInfo<BadInputCase>& info)
{
    std::string name = std::string(info.param.file.name) + "_" + DamageName(info.param.damage);
    for (char& c : name)
    {
        if (!std::isalnum(static_cast<unsigned char>(c)))
        {
            c = '_';
        }
    }
    return name;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------------------------
// A private copy of the program folder: engine.exe and every data file beside it, hard-linked where the file
// system allows (a damaged file is always written as a new file, never through a link).
class ProgramFolder
{
public:
    ProgramFolder()
    {
        const fs::path bin = fs::current_path();
        for (const fs::directory_entry& entry : fs::directory_iterator(bin))
        {
            const std::string name = entry.path().filename().string();
            if (entry.is_directory() && name == "actors")
            {
                fs::create_directory(m_dir.Path() / name);
                for (const fs::directory_entry& actor : fs::directory_iterator(entry.path()))
                {
                    Link(actor.path(), m_dir.Path() / name / actor.path().filename());
                }
            }
            else if (entry.is_regular_file() && (name == "engine.exe" || IsDataFile(name)))
            {
                Link(entry.path(), m_dir.Path() / name);
            }
        }
    }

    const fs::path& Path() const { return m_dir.Path(); }

    // Software rendering draws the shipped 1280 x 720 picture at about a frame a second; a small window keeps each
    // run short. The options file is otherwise the shipped one.
    void UseSmallWindow()
    {
        const fs::path options = m_dir.Path() / "EngineOptions.xml";
        std::string text = ReadBytes(options);
        text = std::regex_replace(text, std::regex(R"(width="\d+")"), R"(width="320")");
        text = std::regex_replace(text, std::regex(R"(height="\d+")"), R"(height="180")");
        text = std::regex_replace(text, std::regex(R"(runfullspeed="\w*")"), R"(runfullspeed="yes")");
        fs::remove(options);
        WriteBytes(options, text);
    }

    void Damage(const std::string& name, const std::string& original, ::Damage damage)
    {
        const fs::path target = m_dir.Path() / name;
        fs::remove(target);   // breaks the link first: the program folder's own file stays as it is
        if (damage != ::Damage::Missing)
        {
            WriteBytes(target, Damaged(original, damage, name));
        }
    }

private:
    static bool IsDataFile(const std::string& name)
    {
        static const std::set<std::string> kDataExtensions = {".xml", ".fx",  ".cso", ".obj", ".mtl",
                                                              ".dds", ".bmp", ".tga", ".mp3"};
        return kDataExtensions.count(Extension(name)) != 0;
    }

    static void Link(const fs::path& from, const fs::path& to)
    {
        std::error_code failed;
        fs::create_hard_link(from, to, failed);
        if (failed)
        {
            fs::copy_file(from, to);
        }
    }

    ScratchDirectory m_dir;
};

ProgramRunSettings EngineSettings()
{
    ProgramRunSettings settings;
    settings.mainWindowClass = L"Engine";
    // The last line start-up writes before the music and the loop start.
    settings.startedText = "actors loaded";
    // Long enough for the first frames, short enough to stay in the opening shot's first second: from about
    // 2 s on, the camera looks across the heath at a grazing angle, and anisotropic filtering in the software
    // rasteriser makes such frames take seconds each (tens of seconds on a busy machine). Escape waits for the
    // frame in hand, and the device's release at exit for the frames queued before it.
    settings.runSeconds = 0.3;
    return settings;
}

std::string Tail(const std::string& text, std::size_t lines)
{
    std::size_t at = text.size();
    for (std::size_t count = 0; at > 0 && count <= lines; ++count)
    {
        at = text.rfind('\n', at - 1);
        if (at == std::string::npos)
        {
            return text;
        }
    }
    return text.substr(at + 1);
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

struct Verdict
{
    std::string outcome;               // for the results table
    std::vector<std::string> faults;   // empty when the case passed
};

Verdict Judge(const ProgramRunOutcome& run, const StartupFile& file, Damage damage)
{
    Verdict verdict;
    const std::string baseName = BaseName(file.name);
    std::string messages = run.standardError;
    for (const std::string& dialog : run.dialogs)
    {
        messages += "\n" + dialog;
    }
    const bool named = messages.find(baseName) != std::string::npos;
    const std::string box = run.dialogs.empty() ? "" : " + message box";

    if (!run.launched)
    {
        verdict.outcome = "not started";
        verdict.faults.push_back("engine.exe could not be started");
        return verdict;
    }
    if (run.hung)
    {
        verdict.outcome = "hung";
        verdict.faults.push_back((run.dialogStayedOpen ? "left a dialog open: " : "hung: ") + run.hangReason);
        return verdict;
    }
    if (run.dialogs.size() > 1)
    {
        verdict.faults.push_back("showed " + std::to_string(run.dialogs.size()) + " message boxes");
    }

    const unsigned long code = run.exitCode;
    if (code == 0)
    {
        verdict.outcome = std::string("ran") + (named ? ", named on stderr" : "");
        if (!run.sentEscape)
        {
            verdict.faults.push_back("exit code 0 without having been asked to end (start-up failed silently?)");
        }
        if (!run.dialogs.empty())
        {
            verdict.faults.push_back("ran, but showed a message box");
        }
        if (ExpectedOutcome(file.role) == Expected::FailsStartUp)
        {
            verdict.faults.push_back("ran although a file start-up needs was damaged");
        }
        if (!named && MustNameFileWhenRunning(file.role, damage))
        {
            verdict.faults.push_back("ran without naming the damaged file on standard error");
        }
    }
    else if (code == 1 || code == 2)
    {
        verdict.outcome = "exit " + std::to_string(code) + box + (named ? ", file named" : ", file NOT named");
        if (!named)
        {
            verdict.faults.push_back("failed without naming " + baseName + " in its message");
        }
        if (code == 1 && run.startedUp)
        {
            verdict.faults.push_back("exit code 1 (start-up failed) after start-up had finished");
        }
        if (ExpectedOutcome(file.role) == Expected::Runs)
        {
            verdict.faults.push_back("start-up failed, but a damaged file of this kind should only be reported");
        }
    }
    else
    {
        verdict.outcome = "crash " + Hex(code);
        verdict.faults.push_back("crashed with exit code " + Hex(code));
    }
    return verdict;
}

std::string Describe(const ProgramRunOutcome& run)
{
    std::ostringstream text;
    text << "exit code " << Hex(run.exitCode) << (run.exited ? "" : " (killed)") << ", " << run.totalSeconds
         << " s, start-up " << (run.startedUp ? "finished" : "did not finish");
    if (run.hung)
    {
        text << "\n" << run.hangReason;
        if (!run.hangBacktraces.empty())
        {
            text << "\nits threads when it was ended:\n" << run.hangBacktraces;
        }
    }
    for (const std::string& dialog : run.dialogs)
    {
        text << "\nmessage box: " << dialog;
    }
    text << "\nlast lines of standard error:\n" << Tail(run.standardError, 12);
    return text.str();
}

// ---------------------------------------------------------------------------------------------------------------
class BadInputRun : public testing::TestWithParam<BadInputCase>
{
};

TEST_P(BadInputRun, NeverCrashesHangsOrLeavesADialog)
{
    const BadInputCase& param = GetParam();
    const fs::path original = fs::current_path() / param.file.name;
    ASSERT_TRUE(fs::exists(original)) << param.file.name << " is not in the program folder";
    const std::string originalBytes = ReadBytes(original);

    ProgramFolder folder;
    folder.UseSmallWindow();
    folder.Damage(param.file.name, originalBytes, param.damage);
    // A hang fails the case at once; the runner has traced the program's threads, and the failure shows them.
    const ProgramRunOutcome run =
        ProgramRunner::Run((folder.Path() / "engine.exe").wstring(), L"", folder.Path().wstring(), EngineSettings());
    const Verdict verdict = Judge(run, param.file, param.damage);

    std::printf("BADINPUT| %s | %s | %s | %.1f | %.1f |\n", param.file.name, DamageName(param.damage),
                verdict.outcome.c_str(), run.totalSeconds,
                run.sentEscape ? run.totalSeconds - run.startupSeconds - run.runningSeconds : 0.0);
    std::fflush(stdout);
    for (const std::string& fault : verdict.faults)
    {
        ADD_FAILURE() << param.file.name << ", " << DamageName(param.damage) << ": " << fault << "\n" << Describe(run);
    }
    EXPECT_EQ(ReadBytes(original), originalBytes) << "the program folder's own " << param.file.name << " changed";
}

INSTANTIATE_TEST_SUITE_P(StartUp, BadInputRun, testing::ValuesIn(CasesFor(StartUpRole)), CaseName);
std::vector<BadInputCase> ActorHalf(int half)
{
    std::vector<BadInputCase> cases = CasesFor(ActorRole);
    const auto middle = std::find_if(cases.begin(), cases.end(),
                                     [](const BadInputCase& c) { return std::string(c.file.name) >= "actors/O"; });
    return half == 0 ? std::vector<BadInputCase>(cases.begin(), middle)
                     : std::vector<BadInputCase>(middle, cases.end());
}

INSTANTIATE_TEST_SUITE_P(ActorsAToN, BadInputRun, testing::ValuesIn(ActorHalf(0)), CaseName);
INSTANTIATE_TEST_SUITE_P(ActorsOToZ, BadInputRun, testing::ValuesIn(ActorHalf(1)), CaseName);
INSTANTIATE_TEST_SUITE_P(Assets, BadInputRun, testing::ValuesIn(CasesFor(AssetRole)), CaseName);

// A choreography named on the command line that cannot be played ends start-up before the window opens, with exit
// code 1 and the file and the line of the problem on standard error; one whose actor the world lacks plays, and
// names the file once.
TEST(BadInputChoreography, IsRefusedNamingTheFileAndLineOrPlayedWithOneWarning)
{
    ProgramFolder folder;
    folder.UseSmallWindow();
    const auto run = [&folder](const std::string& text) {
        WriteBytes(folder.Path() / "choreo.xml", text);
        return ProgramRunner::Run((folder.Path() / "engine.exe").wstring(), L"--choreography choreo.xml",
                                  folder.Path().wstring(), EngineSettings());
    };
    const std::vector<std::pair<std::string, int>> refused = {
        {"<Choreography>\n<Camera x=\"nan\"/>\n</Choreography>\n", 2},
        {"<Choreography>\n\n<Actor id=\"5\" from=\"9\" until=\"3\"/>\n</Choreography>\n", 3},
        {"<Choreography>\n<Track channel=\"y\">\n<Key at=\"2\" value=\"0\"/>\n<Key at=\"1\" value=\"0\"/>\n"
         "</Track>\n</Choreography>\n",
         4},
    };
    for (const auto& [text, line] : refused)
    {
        const ProgramRunOutcome outcome = run(text);
        EXPECT_TRUE(outcome.exited) << Describe(outcome);
        EXPECT_EQ(outcome.exitCode, 1u) << Describe(outcome);
        EXPECT_FALSE(outcome.startedUp);
        EXPECT_TRUE(outcome.dialogs.empty()) << Describe(outcome);
        EXPECT_NE(outcome.standardError.find("choreo.xml:" + std::to_string(line) + ":"), std::string::npos)
            << outcome.standardError;
    }

    const ProgramRunOutcome played =
        run("<Choreography>\n<Actor id=\"999\" turn=\"yaw\" rate=\"5\"/>\n</Choreography>\n");
    EXPECT_TRUE(played.startedUp) << Describe(played);
    EXPECT_EQ(played.exitCode, 0u) << Describe(played);
    const std::string& err = played.standardError;
    const std::size_t first = err.find("choreo.xml:");
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("choreo.xml:", first + 1), std::string::npos) << "warned more than once:\n" << err;
}

// ---------------------------------------------------------------------------------------------------------------
// The list above is the presentation's: every actor file the world names, and one mesh chain as it stands.
std::set<std::string> Matches(const std::string& text, const std::string& pattern)
{
    std::set<std::string> found;
    const std::regex expression(pattern);
    for (std::sregex_iterator match(text.begin(), text.end(), expression), end; match != end; ++match)
    {
        found.insert((*match)[1].str());
    }
    return found;
}

TEST(BadInputFiles, AreTheFilesThePresentationReads)
{
    std::set<std::string> listedActors;
    for (const StartupFile& file : kStartupFiles)
    {
        EXPECT_TRUE(fs::exists(file.name)) << file.name;
        if (file.role == Role::Actor)
        {
            listedActors.insert(file.name);
        }
    }
    EXPECT_EQ(listedActors, Matches(ReadBytes("World1.xml"), R"(resource="([^"]+)\")"));

    EXPECT_EQ(Matches(ReadBytes("actors/PaperGlider.xml"), R"(<Obj>\s*([^<\s]+)\s*</Obj>)"),
              std::set<std::string>{"PaperGlider.obj"});
    EXPECT_EQ(Matches(ReadBytes("PaperGlider.obj"), R"(mtllib\s+(\S+))"), std::set<std::string>{"PaperGlider.mtl"});
    EXPECT_EQ(Matches(ReadBytes("PaperGlider.mtl"), R"(map_Kd\s+(\S+))"),
              std::set<std::string>{"star-chart-paper-albedo.dds"});
}

TEST(BadInputFiles, DamagedCopiesAreWhatTheirNamesSay)
{
    const std::string dds = ReadBytes("10.dds");
    EXPECT_EQ(Damaged(dds, Damage::CutInHeader, "10.dds").size(), 64u);   // inside the 124-byte header
    EXPECT_EQ(Damaged(dds, Damage::FirstHalf, "10.dds").size(), dds.size() / 2);
    const std::string garbage = Damaged(dds, Damage::Garbage, "10.dds");
    EXPECT_EQ(garbage.size(), dds.size());
    EXPECT_EQ(garbage, Damaged(dds, Damage::Garbage, "10.dds"));
    EXPECT_NE(garbage.substr(0, 4), "DDS ");

    // Deep nesting goes right inside the world's root; everything the world said is still there after it.
    const std::string deepWorld = Damaged(ReadBytes("World1.xml"), Damage::DeeplyNested, "World1.xml");
    EXPECT_EQ(deepWorld.size(), ReadBytes("World1.xml").size() + kDeepNesting * std::string("<Nest></Nest>").size());
    EXPECT_NE(deepWorld.find("<World"), std::string::npos);
    EXPECT_LT(deepWorld.find("<World"), deepWorld.find("<Nest>"));
    EXPECT_LT(deepWorld.rfind("</Nest>"), deepWorld.find("<StaticActors"));

    // A world cut inside its first element's start tag, after the declaration and the comment.
    const std::string world = ReadBytes("World1.xml");
    const std::string cutWorld = Damaged(world, Damage::CutInHeader, "World1.xml");
    EXPECT_NE(cutWorld.find("<?xml"), std::string::npos);
    EXPECT_EQ(cutWorld.find('>', cutWorld.rfind('<')), std::string::npos) << cutWorld;

    // A shader cut in its first statement: the comment lines before it stay whole.
    const std::string shader = "// a comment\n\nfloat4 PixelShaderFX() : SV_Target { return 1; }\n"
                               "float4 Unused() : SV_Target { return 0; }\n";
    EXPECT_EQ(Damaged(shader, Damage::CutInHeader, "a.fx"), shader.substr(0, 14 + 24));
}

// ---------------------------------------------------------------------------------------------------------------
// The runner itself, against children that misbehave on purpose: its findings must not depend on the engine.
ProgramRunOutcome RunMisbehavingChild(const std::wstring& mode)
{
    ProgramRunSettings settings;
    settings.startedText = "never written";
    settings.startupDeadlineSeconds = 8.0;
    settings.exitDeadlineSeconds = 8.0;
    settings.dialogCloseSeconds = 3.0;
    return ProgramRunner::Run(OwnPath(), kChildSwitch + mode, fs::current_path().wstring(), settings);
}

TEST(ProgramRunnerChecks, ReportsACrashByItsExitCode)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"crash");
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0xC0000005ul);
    BadInputCase any{kStartupFiles[0], Damage::Garbage};
    EXPECT_EQ(Judge(run, any.file, any.damage).outcome, "crash 0xC0000005");
}

// Under Wine a stack overflow too deep for the exception dispatcher ended the faulting thread alone, and a process
// with another thread left alive then waited for ever without using any CPU. With the engine's guard it ends at
// once, with the overflow's code, as on Windows.
TEST(ProgramRunnerChecks, AStackOverflowEndsTheProcessWithItsCode)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"overflow");
    EXPECT_FALSE(run.hung) << run.hangReason;
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, static_cast<unsigned long>(EXCEPTION_STACK_OVERFLOW));
}

// A finished program whose exit waits on something that never comes is ended by its watchdog, with the error code.
TEST(ProgramRunnerChecks, AnExitThatNeverFinishesIsEndedByTheWatchdog)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"stuck-exit");
    EXPECT_FALSE(run.hung) << run.hangReason;
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 2u);
}

TEST(ProgramRunnerChecks, EndsAProgramThatNeitherStartsNorFails)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"hang");
    EXPECT_TRUE(run.hung);
    EXPECT_FALSE(run.exited);
    // What the hung child was doing, for the report (Wine's debugger traces it).
    EXPECT_FALSE(run.hangBacktraces.empty());
    EXPECT_FALSE(Judge(run, kStartupFiles[1], Damage::Missing).faults.empty());
}

TEST(ProgramRunnerChecks, ReadsAnswersAndRecordsAMessageBox)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"dialog");
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_EQ(run.dialogs.size(), 1u);
    EXPECT_EQ(run.dialogs[0], "Error: Could not load broken.xml.");
    EXPECT_NE(run.standardError.find("broken.xml: not a world"), std::string::npos);
}

TEST(ProgramRunnerChecks, ReportsADialogThatStaysAfterOk)
{
    const ProgramRunOutcome run = RunMisbehavingChild(L"stuck-dialog");
    EXPECT_TRUE(run.dialogStayedOpen);
    EXPECT_TRUE(run.hung);
    const Verdict verdict = Judge(run, kStartupFiles[1], Damage::Missing);
    ASSERT_FALSE(verdict.faults.empty());
    EXPECT_NE(verdict.faults[0].find("left a dialog open"), std::string::npos);
}

// The intact folder is the baseline every damaged run is compared with: it starts, draws and ends on Escape.
TEST(ProgramRunnerChecks, IntactProgramStartsRunsAndEndsOnEscape)
{
    ProgramFolder folder;
    folder.UseSmallWindow();
    const ProgramRunOutcome run =
        ProgramRunner::Run((folder.Path() / "engine.exe").wstring(), L"", folder.Path().wstring(), EngineSettings());
    EXPECT_TRUE(run.exited) << Describe(run);
    EXPECT_EQ(run.exitCode, 0u) << Describe(run);
    EXPECT_TRUE(run.startedUp);
    EXPECT_TRUE(run.sentEscape);
    EXPECT_TRUE(run.dialogs.empty());
    std::printf("intact run: %.1f s in all: start-up %.1f s, %.1f s in the loop before Escape, window gone %.1f s "
                "and exit %.1f s after it\n",
                run.totalSeconds, run.startupSeconds, run.runningSeconds, run.windowClosedSeconds,
                run.totalSeconds - run.startupSeconds - run.runningSeconds);
}
}
