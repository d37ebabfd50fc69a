#pragma once

// CrashGuard: a fatal signal during a run ends it as a failed run.

#include "XException.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <thread>

// A run asked to stop by a stop signal fails with this at its next safe point. It is an XException,
// so that every handler that ends a run ends this one the same way; a type of its own, so that no
// handler on the way (a failed check, a failed table) makes another failure of it.
class RunStopped : public XException
{
public:
    explicit RunStopped(const QString& text);
};

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

// From now until disarm or settle, SIGTERM, SIGINT, SIGHUP and SIGQUIT ask the run to stop: the
// first one sets the stop signal, which the run checks at its safe points (progress lines, records)
// and then fails; a second one, or a run that has not stopped ten seconds after the first, ends at
// once as a crash does (while armed), with the text of stopText. A signal that the caller ignores
// stays ignored; disarm gives each signal its action from before.
void catchStopSignals();
// Holds the stop signals back from this thread while the run's result is decided and written.
void holdStopSignals();
// The command's result is written and final: the stop signals are ignored until the process ends
// (or the next catchStopSignals, which gives them their actions from before), and the held ones are
// let through, which drops them.
void settle();
// Starts the thread with the stop signals and the alarm blocked in it: they go to the main thread
// only, and a burst of them ends the run once.
void startThread(std::thread& thread, std::function<void()> body);
// The stop signal received, or 0.
int stopSignal();
// "The run was stopped by signal <number> (<name>)."
QString stopText(int signal);
// One field of a line of a result file.
struct Field
{
    const char* bytes;
    size_t size;
};
// The one writer of the result files (status, finished and "BridgeStatus.tmp"): the file becomes one
// line of the fields separated by TAB and ended by CR LF. A TAB, CR or LF inside a field is written
// as a blank, as on the host's lines, so that no value can add a field or a line. The file is
// written whole (async-signal-safe): under the temporary name renamed over it, or, where no new
// file can be made, over its old bytes and cut to length; false when neither worked.
bool writeLine(const char* path, const char* temp, const Field* fields, size_t count);
}  // namespace CrashGuard
