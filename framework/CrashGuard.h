#pragma once

// CrashGuard: a fatal signal during a run ends it as a failed run.

#include <QString>

#include <cstddef>

// While armed, SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT (a fault of the program or of a driver
// it loaded) end the process as a failed run does: the error line on standard error, the log line
// on standard output and in the log file, the failed result in the status file, the finished file,
// and exit code 1. Every path and text is made when arming; the handler only opens, writes and
// closes files (the status and finished files under temporary names renamed over them), and runs
// on its own stack so that a stack overflow is caught too. The log file is not copied into the
// output folder from there.
namespace CrashGuard {
// finishedFile may be empty (no finished file); method names the log line.
void arm(const QString& statusFile, const QString& finishedFile, const QString& method);
// Back to the default actions, also for the stop signals.
void disarm();

// From now until disarm, SIGTERM, SIGINT, SIGHUP and SIGQUIT ask the run to stop: the first one
// sets the stop signal, which the run checks at its safe points (progress lines, records) and then
// fails; a second one, or a run that has not stopped ten seconds after the first, ends at once as
// a crash does (while armed), with the text of stopText.
void catchStopSignals();
// The stop signal received, or 0.
int stopSignal();
// "The run was stopped by signal <number> (<name>)."
QString stopText(int signal);
// Writes the file whole (async-signal-safe): under the temporary name renamed over it, or, where
// no new file can be made, over its old bytes and cut to length; false when neither worked.
bool writeWhole(const char* path, const char* temp, const char* bytes, size_t count);
}  // namespace CrashGuard
