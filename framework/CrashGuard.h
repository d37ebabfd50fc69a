#pragma once

// CrashGuard: a fatal signal during a run ends it as a failed run.

#include <QString>

// While armed, SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT (a fault of the program or of a driver
// it loaded) end the process as a failed run does: the error line on standard error, the log line
// on standard output and in the log file, the failed result in the status file, the finished file,
// and exit code 1. Every path and text is made when arming; the handler only opens, writes and
// closes files, and runs on its own stack so that a stack overflow is caught too. The log file is
// not copied into the output folder from there.
namespace CrashGuard {
// finishedFile may be empty (no finished file); method names the log line.
void arm(const QString& statusFile, const QString& finishedFile, const QString& method);
// Back to the default actions.
void disarm();
}  // namespace CrashGuard
