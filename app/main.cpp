// Process entry: answers the command line's switches (EngineCommandLine), and otherwise runs the presentation
// through the one application object and returns its exit code (0 after a normal end, 1 when start-up failed,
// 2 after an unexpected error). Everything else, exception reporting included, is SystemClass::RunApplication's,
// so that tests can run the very same path. engine.exe is the one program with the live controls (pause, seek,
// overlay, screenshots) and the one that can reload shaders and the world (--watch); unused, they change nothing.
#include <iostream>

#include "app/EngineCommandLine.h"
#include "app/EngineVersion.h"
#include "app/FileReplacer.h"
#include "app/guards/ExitReport.h"
#include "app/SystemClass.h"
#include "app/live/LiveTools.h"
#include "scene/choreography/ChoreographyFile.h"

int main(int argc, char** argv)
{
    const ExitReport exitReport(argc > 0 ? argv[0] : nullptr);
    const EngineCommandLine commandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto exitCode = commandLine.Answer(kEngineVersion, std::cout, std::cerr))
    {
        return *exitCode;
    }
    if (const auto& file = commandLine.ChoreographyToWrite())
    {
        std::string problem;
        if (!FileReplacer::Write(*file, ChoreographyFile::Write(Choreography::Presentation()), {}, &problem))
        {
            std::cerr << problem << std::endl;
            return SystemClass::kExitStartupFailed;
        }
        std::cerr << *file << ": the compiled-in choreography written" << std::endl;
        return 0;
    }
    return SystemClass::RunApplication([&commandLine](SystemClass& system) {
        system.GetLiveTools().EnableControls();
        system.Settings().exitDeadlineMs = RunSettings::kProgramExitDeadlineMs;
        if (commandLine.Watches())
        {
            system.GetLiveTools().EnableWatch();
        }
        system.Settings().musicLog = commandLine.LogsMusic();
        system.Settings().choreographyFile = commandLine.ChoreographyFile().value_or("");
    });
}
