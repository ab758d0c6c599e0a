// Makes a fatal error end the whole process, as Windows does. Under Wine a thread whose stack overflows beyond
// what the exception dispatcher itself needs is ended alone, and a process whose other threads (the renderer's,
// the audio stack's) wait on is left behind without its main thread: a hang with no CPU use instead of a crash.
// It does not try to recover from anything: the process ends with the exception's code as its exit code.
#pragma once

// Installs the guard for the whole process; calling it again changes nothing.
void InstallFatalErrorGuard();
