// engine.exe's command line: see EngineCommandLine.h.
#include "app/EngineCommandLine.h"

#include "app/CommandLineReader.h"

#include <ostream>

EngineCommandLine::EngineCommandLine(const std::vector<std::string>& args)
{
    CommandLineReader reader(args);
    // A switch that names a file: without the file name the command line is refused.
    const auto takeFile = [&reader](std::optional<std::string>& file, const char* name) {
        file = reader.Value();
        if (!file)
        {
            reader.Refuse(std::string(name) + " needs a file name");
        }
    };
    while (reader.Next())
    {
        if (reader.Flag("--version"))
        {
            m_version = true;
        }
        else if (reader.Help())
        {
            m_help = true;
        }
        else if (reader.Flag("--watch"))
        {
            m_watch = true;
        }
        else if (reader.Flag("--music-log"))
        {
            m_musicLog = true;
        }
        else if (reader.WithValue("--choreography"))
        {
            takeFile(m_choreography, "--choreography");
        }
        else if (reader.WithValue("--write-choreography"))
        {
            takeFile(m_writeChoreography, "--write-choreography");
        }
        else
        {
            reader.RefuseUnknown();
        }
    }
    m_refusal = reader.Refusal();
}

std::optional<int> EngineCommandLine::Answer(const std::string& version, std::ostream& out, std::ostream& err) const
{
    if (m_refusal)
    {
        err << "engine: " << *m_refusal << "\n" << Usage();
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

A file name follows its switch or an equals sign alike: --choreography FILE or --choreography=FILE. A switch
given twice, a switch without its file name and any other argument are refused, with exit code 64.

Exit code: 0 after a normal end, 1 when start-up failed, 2 after an error, 64 for bad arguments.
)";
}
