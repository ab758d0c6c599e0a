// engine.exe's command line: see EngineCommandLine.h.
#include "app/EngineCommandLine.h"

#include <ostream>

EngineCommandLine::EngineCommandLine(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
    {
        if (arg == "--version")
        {
            m_version = true;
        }
        else if (arg == "--help" || arg == "-h" || arg == "/?")
        {
            m_help = true;
        }
        else if (arg == "--watch")
        {
            m_watch = true;
        }
        else if (arg == "--music-log")
        {
            m_musicLog = true;
        }
        else if (!m_unknown)
        {
            m_unknown = arg;
        }
    }
}

std::optional<int> EngineCommandLine::Answer(const std::string& version, std::ostream& out, std::ostream& err) const
{
    if (m_unknown)
    {
        err << "engine: unknown argument '" << *m_unknown << "'\n" << Usage();
        return kExitUsage;
    }
    if (m_help)
    {
        out << Usage();
        return 0;
    }
    if (m_version)
    {
        out << VersionLine(version) << "\n";
        return 0;
    }
    return std::nullopt;
}

std::string EngineCommandLine::VersionLine(const std::string& version)
{
    return "Engine " + version;
}

std::string EngineCommandLine::Usage()
{
    return R"(Usage: engine.exe [--watch] [--music-log] [--version | --help]
Plays the presentation (about a minute) in a window; run it in the folder that holds its data files.
Escape or the close box ends it early.

  --watch      edit while it runs: a shader file that changes is compiled again and drawn with from the
               next frame (a failed edit keeps the old shader and shows the compiler's messages on standard
               error, in shader-error.txt and in the F1 overlay); World1.xml or an actor file that changes,
               or F5, rebuilds the world at the moment on screen (a file that fails keeps the old world)
  --music-log  one line on standard error for every command the music is given as it follows the
               presentation's clock (start, pause, resume, a jump with a seek, the end): the moment on
               the clock, the command, how long it took and what it answered
  --version    print the version and exit
  --help       print this text and exit

Exit code: 0 after a normal end, 1 when start-up failed, 2 after an error, 64 for bad arguments.
)";
}
