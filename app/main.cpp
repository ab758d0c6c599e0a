// Process entry: runs the presentation through the one application object and returns its exit code (0 after
// a normal end, 1 when start-up failed, 2 after an unexpected error). Everything else, exception reporting
// included, is SystemClass::RunApplication's, so that tests can run the very same path. engine.exe is the one
// program with the live controls (pause, seek, overlay, screenshots); unused, they change nothing.
#include "app/SystemClass.h"

int main()
{
    return SystemClass::RunApplication([](SystemClass& system) { system.EnableControls(); });
}
