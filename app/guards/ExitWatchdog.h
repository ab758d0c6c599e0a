// Makes sure a process that has finished its work also ends. Once armed it gives the rest of the shutdown and the
// process's own exit a fixed time; past it, it writes one line on standard error and ends the process with the
// exit code it was given. It exists for waits outside the program's control (a driver or runtime library
// waiting at exit for a thread that will never answer), which would otherwise leave a finished program running
// for ever. It cannot be disarmed: arm it only when the process is about to end.
#pragma once

class ExitWatchdog
{
public:
    // Starts the count now. Arming it again changes nothing.
    static void Arm(unsigned milliseconds, int exitCode);
};
