// Process entry: builds the one application object, runs the presentation and shuts it down. This is also the
// single place where an exception that nothing else handled (a failed Direct3D call among them) is reported:
// once on standard error and once in a message box, followed by the orderly shutdown so that a changed
// display mode is restored.
#include <exception>
#include <iostream>
#include <memory>

#include "app/MessageBox.h"
#include "app/SystemClass.h"
#include "graphics/AnsiConversion.h"
#include "graphics/DxException.h"

namespace
{
constexpr int kExitStartupFailed = 1;
constexpr int kExitError = 2;
}

int main()
{
    auto system = std::make_unique<SystemClass>();
    int exitCode = 0;
    try
    {
        if (system->Initialize())
        {
            system->Run();
        }
        else
        {
            exitCode = kExitStartupFailed;
        }
    }
    catch (const DxException& error)
    {
        // HRESULT in hex, the call's text, the source file and the line.
        ShowMessageBox(WideToAnsi(error.ToString()), "Error");
        exitCode = kExitError;
    }
    catch (const std::exception& error)
    {
        ShowMessageBox(error.what(), "Error");
        exitCode = kExitError;
    }
    catch (...)
    {
        ShowMessageBox("Unknown error", "Error");
        exitCode = kExitError;
    }

    try
    {
        system->Shutdown();
    }
    catch (const std::exception& error)
    {
        std::cerr << "Error during shutdown: " << error.what() << std::endl;
        exitCode = kExitError;
    }
    system.reset();
    return exitCode;
}
