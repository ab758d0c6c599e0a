// engine.exe's command line: see EngineCommandLine.h.
#include "app/EngineCommandLine.h"

#include <ostream>

EngineCommandLine::EngineCommandLine(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        // A switch that names a file: "--switch FILE" or "--switch=FILE". Without a file name the switch
        // itself counts as not understood.
        const auto fileSwitch = [&](const std::string& name, std::optional<std::string>& file) {
            if (arg.rfind(name + "=", 0) == 0 && arg.size() > name.size() + 1)
            {
                file = arg.substr(name.size() + 1);
            }
            else if (arg == name && i + 1 < args.size() && !args[i + 1].empty())
            {
                file = args[++i];
            }
            else if (arg == name || arg.rfind(name + "=", 0) == 0)
            {
                if (!m_unknown)
                {
                    m_unknown = arg;
                }
            }
            else
            {
                return false;
            }
            return true;
        };
        if (fileSwitch("--choreography", m_choreography) || fileSwitch("--write-choreography", m_writeChoreography))
        {
            continue;
        }
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
        err << "engine: unknown argument '" << *m_unknown << "'";
        if (m_unknown->rfind("--choreography", 0) == 0 || m_unknown->rfind("--write-choreography", 0) == 0)
        {
            err << ": it needs a file name";
        }
        err << "\n" << Usage();
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
    return R"(Usage: engine.exe [--watch] [--music-log] [--choreography FILE]
                  [--write-choreography FILE | --version | --help]
Plays the presentation (about a minute) in a window; run it in the folder that holds its data files.
Escape or the close box ends it early.

  --watch                    edit while it runs: a shader file that changes is compiled again and drawn
                             with from the next frame (a failed edit keeps the old shader and shows the
                             compiler's messages on standard error, in shader-error.txt and in the F1
                             overlay); World1.xml, an actor file or the --choreography file that changes,
                             or F5, rebuilds the world at the moment on screen (a file that fails keeps
                             the old one)
  --music-log                one line on standard error for every command the music is given as it
                             follows the presentation's clock (start, pause, resume, a jump with a seek,
                             the end): the moment on the clock, the wall time on the system clock
                             (seconds since 1970, as date +%s.%N gives it), the command, how long it took
                             and what it answered
  --choreography FILE        play the choreography in FILE (camera, sky, actors, keyed tracks) instead of
                             the compiled-in one; a file that cannot be used ends start-up with exit code 1
                             and one line naming the file, the line and the problem
  --write-choreography FILE  write the compiled-in choreography to FILE as a starting point and exit
                             (no window); exit code 1 when the file cannot be written
  --version                  print the version and exit
  --help                     print this text and exit

Exit code: 0 after a normal end, 1 when start-up failed, 2 after an error, 64 for bad arguments.
)";
}
