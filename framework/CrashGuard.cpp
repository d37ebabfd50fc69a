// The crash guard of a run: its handler uses only async-signal-safe calls on texts made in advance.

#include "CrashGuard.h"

#include "Constants.h"
#include "Keywords.h"
#include "LogManager.h"
#include "SISMessageWriter.h"

#include <QDateTime>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {
const int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
const int StopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
const int CriticalLevel = 2;
const char* const StoppedHead = "The program stopped on signal ";
const char* const StoppedTail = " (a fault in the database driver or the program).";
const char* const EndedHead = "The run was stopped by signal ";
// How long a stopped run may take to reach its next safe point before it ends at once.
const unsigned StopGraceSeconds = 10;

struct Text
{
    char data[4096];
    size_t size;
};

// The texts of one kind of end: a crash or a stop signal.
struct Ending
{
    Text errorHead, consoleMid, logMid;
};

Ending g_crash, g_stop;
Text g_tail, g_consoleHead, g_logFile, g_logHead;
Text g_statusFile, g_statusTemp, g_failedWord, g_failedText, g_finishedFile, g_finishedTemp, g_finishedWord;
long long g_utcOffset = 0;  // seconds east of UTC when armed
volatile sig_atomic_t g_armed = 0;
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_ending{0};  // set by the one ending of the process
bool g_stopCaught = false;  // the stop signals that the caller did not ignore have the handler below
bool g_settled = false;     // the result is final: those stop signals are ignored until the next catch
const size_t StopCount = sizeof StopSignals / sizeof *StopSignals;
struct sigaction g_stopBefore[StopCount];  // their actions before
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag is set in a signal handler");
char g_altStack[64 * 1024];

// An empty text when the bytes (with the NUL of a path) do not fit.
void set(Text& text, const QByteArray& bytes)
{
    text.size = 0;
    text.data[0] = '\0';
    if (size_t(bytes.size()) >= sizeof text.data)
        return;
    std::memcpy(text.data, bytes.constData(), size_t(bytes.size()));
    text.data[bytes.size()] = '\0';
    text.size = size_t(bytes.size());
}

// A growing line on the handler's stack; what does not fit is left off.
struct Line
{
    char data[3 * sizeof(Text::data)];
    size_t size = 0;
    void add(const char* bytes, size_t count)
    {
        for (size_t i = 0; i < count && size < sizeof data; ++i)
            data[size++] = bytes[i];
    }
    void add(const Text& text) { add(text.data, text.size); }
};

bool writeAll(int fd, const char* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t done = ::write(fd, bytes, count);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        count -= size_t(done);
    }
    return true;
}

// Writes the fields as one line: a TAB, CR or LF inside a field becomes a blank (bytes that never
// occur inside a UTF-8 sequence of another character).
bool writeFields(int fd, const CrashGuard::Field* fields, size_t count)
{
    char chunk[512];
    for (size_t f = 0; f < count; ++f) {
        if (f > 0 && !writeAll(fd, "\t", 1))
            return false;
        for (size_t done = 0; done < fields[f].size;) {
            size_t n = 0;
            for (; n < sizeof chunk && done < fields[f].size; ++n, ++done) {
                const char c = fields[f].bytes[done];
                chunk[n] = (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
            }
            if (!writeAll(fd, chunk, n))
                return false;
        }
    }
    return writeAll(fd, "\r\n", 2);
}

CrashGuard::Field field(const Text& text)
{
    return CrashGuard::Field{text.data, text.size};
}

// Zero-padded decimal digits, at least width of them.
void addNumber(Line& line, long long value, int width)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 || count < width);
    while (count > 0)
        line.add(&digits[--count], 1);
}

// The local time as "yyyy/MM/dd hh:mm:ss" (days to a civil date after H. Hinnant).
void addNow(Line& line)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long t = now.tv_sec + g_utcOffset;
    const long long days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const long long seconds = t - days * 86400;
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    addNumber(line, yoe + era * 400 + (month <= 2 ? 1 : 0), 4);
    line.add("/", 1);
    addNumber(line, month, 2);
    line.add("/", 1);
    addNumber(line, day, 2);
    line.add(" ", 1);
    addNumber(line, seconds / 3600, 2);
    line.add(":", 1);
    addNumber(line, seconds / 60 % 60, 2);
    line.add(":", 1);
    addNumber(line, seconds % 60, 2);
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    case SIGQUIT:
        return "SIGQUIT";
    default:
        return "";
    }
}

// Ends the process as a failed run, with the texts of the ending; a stop names its signal.
void endRun(int signal, const Ending& ending, bool stop)
{
    // One ending, whatever arrives at once: a second thread here waits for the first to end the
    // process.
    if (g_ending.exchange(1) != 0) {
        for (;;)
            ::pause();
    }
    if (!g_armed)
        ::_exit(1);
    Line line;  // the one line on the handler's stack, used for each write in turn
    addNow(line);
    char stamp[19];  // "yyyy/MM/dd hh:mm:ss"
    for (size_t i = 0; i < sizeof stamp; ++i)
        stamp[i] = line.data[i];
    const char* const time = stamp + 11;
    char number[8];
    line.size = 0;
    addNumber(line, signal, 1);
    size_t digits = 0;
    for (; digits < line.size && digits < sizeof number; ++digits)
        number[digits] = line.data[digits];

    // What follows the signal's number.
    Line tail;
    if (stop) {
        const char* name = signalName(signal);
        tail.add(" (", 2);
        tail.add(name, std::strlen(name));
        tail.add(").", 2);
    } else {
        tail.add(g_tail);
    }

    line.size = 0;
    line.add(g_consoleHead);
    line.add(time, 8);
    line.add(ending.consoleMid);
    line.add(number, digits);
    line.add(tail.data, tail.size);
    line.add("\n", 1);
    writeAll(STDOUT_FILENO, line.data, line.size);

    line.size = 0;
    line.add(ending.errorHead);
    line.add(number, digits);
    line.add(tail.data, tail.size);
    line.add("\n", 1);
    writeAll(STDERR_FILENO, line.data, line.size);

    if (g_logFile.size > 0) {
        line.size = 0;
        line.add(g_logHead);
        line.add(time, 8);
        line.add(ending.logMid);
        line.add(number, digits);
        line.add(tail.data, tail.size);
        line.add("\r\n", 2);
        const int fd = ::open(g_logFile.data, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0) {
            writeAll(fd, line.data, line.size);
            ::close(fd);
        }
    }

    const CrashGuard::Field status[] = {{stamp, sizeof stamp}, field(g_failedWord), field(g_failedText)};
    const CrashGuard::Field finished[] = {field(g_finishedWord)};
    if (g_statusFile.size > 0 &&
        CrashGuard::writeLine(g_statusFile.data, g_statusTemp.data, status, sizeof status / sizeof *status)) {
        if (g_finishedFile.size > 0)
            CrashGuard::writeLine(g_finishedFile.data, g_finishedTemp.data, finished, 1);
    } else {
        // An earlier result must not stand for this one (an empty path removes nothing).
        ::unlink(g_statusFile.data);
        ::unlink(g_finishedFile.data);
    }
    ::_exit(1);
}

void onFatalSignal(int signal)
{
    endRun(signal, g_crash, false);
}

// The first stop signal asks the run to stop at its next safe point; a second one, or a run that
// does not get there in time, ends it at once.
void onStopSignal(int signal)
{
    int none = 0;
    if (g_stopSignal.compare_exchange_strong(none, signal)) {
        ::alarm(StopGraceSeconds);
        return;
    }
    endRun(g_stopSignal.load(), g_stop, true);
}

void onStopTimeout(int)
{
    endRun(g_stopSignal.load(), g_stop, true);
}

// The stop signals' actions from before catchStopSignals.
void restoreStopActions()
{
    for (size_t i = 0; i < StopCount; ++i)
        sigaction(StopSignals[i], &g_stopBefore[i], nullptr);
}

// The stop signals and the stop's alarm.
sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : StopSignals)
        sigaddset(&set, signal);
    sigaddset(&set, SIGALRM);
    return set;
}

void setEnding(Ending& ending, const QString& head, const QString& method)
{
    LogManager* log = LogManager::instance();
    set(ending.errorHead,
        SISMessageWriter::joinFields({kw::TagError, QStringLiteral("Extraction Failed"), head}).toUtf8());
    const QByteArray console = LogManager::consoleLine(CriticalLevel, QTime(0, 0), method, head).toUtf8();
    set(ending.consoleMid, console.mid(console.indexOf("00:00:00") + 8));
    // The file line begins with the title, a colon and the time.
    const QByteArray fileLine =
        LogManager::fileLine(log->title(), CriticalLevel, QTime(0, 0), method, head).toUtf8();
    set(ending.logMid, fileLine.mid(log->title().toUtf8().size() + 1 + 8));
}
}  // namespace

void CrashGuard::arm(const QString& statusFile, const QString& finishedFile, const QString& method)
{
    g_armed = 0;
    LogManager* log = LogManager::instance();
    const QString head = QString::fromLatin1(StoppedHead);
    set(g_tail, QByteArray(StoppedTail));
    setEnding(g_crash, head, method);
    setEnding(g_stop, QString::fromLatin1(EndedHead), method);
    const QByteArray console = LogManager::consoleLine(CriticalLevel, QTime(0, 0), method, head).toUtf8();
    set(g_consoleHead, console.left(console.indexOf("00:00:00")));
    const QByteArray fileLine =
        LogManager::fileLine(log->title(), CriticalLevel, QTime(0, 0), method, head).toUtf8();
    set(g_logHead, fileLine.left(log->title().toUtf8().size() + 1));
    set(g_logFile, QFile::encodeName(log->filePath()));
    // Temporary names of their own: the run may be writing the files under the usual ones.
    const QByteArray guardTemp = QByteArrayLiteral(".guard.partial");
    set(g_statusFile, QFile::encodeName(statusFile));
    set(g_statusTemp, statusFile.isEmpty() ? QByteArray() : QFile::encodeName(statusFile) + guardTemp);
    set(g_failedWord, QByteArray(txt::Failed));
    set(g_failedText, QByteArray(txt::FailedOnExtraction));
    set(g_finishedFile, QFile::encodeName(finishedFile));
    set(g_finishedTemp, finishedFile.isEmpty() ? QByteArray() : QFile::encodeName(finishedFile) + guardTemp);
    set(g_finishedWord, QByteArray(txt::FinishedWord));
    g_utcOffset = QDateTime::currentDateTime().offsetFromUtc();

    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action
    {
    };
    action.sa_handler = onFatalSignal;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigfillset(&action.sa_mask);
    for (int signal : FatalSignals)
        sigaction(signal, &action, nullptr);
    g_armed = 1;
}

void CrashGuard::disarm()
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    if (g_stopCaught) {
        g_stopCaught = false;
        ::alarm(0);
        restoreStopActions();
        sigaction(SIGALRM, &action, nullptr);
    }
    if (!g_armed)
        return;
    for (int signal : FatalSignals)
        sigaction(signal, &action, nullptr);
    g_armed = 0;
}

void CrashGuard::catchStopSignals()
{
    // A settled run's ignore is no caller's: the actions from before it come back first.
    if (g_settled) {
        g_settled = false;
        restoreStopActions();
    }
    g_stopSignal = 0;
    g_stopCaught = true;
    struct sigaction action
    {
    };
    // System calls go on after the flag is set: the run stops where it checks the flag.
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigfillset(&action.sa_mask);
    for (size_t i = 0; i < StopCount; ++i) {
        // A signal that the caller ignores (SIGHUP under nohup, SIGINT and SIGQUIT of a background
        // job) stays ignored.
        sigaction(StopSignals[i], nullptr, &g_stopBefore[i]);
        if (g_stopBefore[i].sa_handler != SIG_IGN)
            sigaction(StopSignals[i], &action, nullptr);
    }
    action.sa_handler = onStopTimeout;
    sigaction(SIGALRM, &action, nullptr);
}

void CrashGuard::holdStopSignals()
{
    const sigset_t held = stopSet();
    pthread_sigmask(SIG_BLOCK, &held, nullptr);
}

void CrashGuard::settle()
{
    if (!g_settled) {
        // Signals that were never caught keep their actions from before for the next catch.
        if (!g_stopCaught) {
            for (size_t i = 0; i < StopCount; ++i)
                sigaction(StopSignals[i], nullptr, &g_stopBefore[i]);
        }
        g_stopCaught = false;
        g_settled = true;
        ::alarm(0);
        struct sigaction action
        {
        };
        action.sa_handler = SIG_IGN;
        for (int signal : StopSignals)
            sigaction(signal, &action, nullptr);
        // An alarm that came while held goes with its ignore, not with its default action.
        sigaction(SIGALRM, &action, nullptr);
        action.sa_handler = SIG_DFL;
        sigaction(SIGALRM, &action, nullptr);
    }
    // Signals held meanwhile are dropped by their ignore, or go to the actions from before.
    const sigset_t held = stopSet();
    pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
}

void CrashGuard::startThread(std::thread& thread, std::function<void()> body)
{
    // The thread inherits the calling thread's mask: the stop signals and the alarm are held while
    // it is made, so that they stay with the main thread.
    const sigset_t held = stopSet();
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &held, &before);
    thread = std::thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

int CrashGuard::stopSignal()
{
    return g_stopSignal.load(std::memory_order_relaxed);
}

QString CrashGuard::stopText(int signal)
{
    return QString::fromLatin1(EndedHead) + QString::number(signal) + QStringLiteral(" (") +
           QString::fromLatin1(signalName(signal)) + QStringLiteral(").");
}

bool CrashGuard::writeLine(const char* path, const char* temp, const Field* fields, size_t count)
{
    size_t length = 2;  // CR LF
    for (size_t f = 0; f < count; ++f)
        length += fields[f].size + (f > 0 ? 1 : 0);
    int fd = ::open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
        const bool written = writeFields(fd, fields, count);
        if (::close(fd) == 0 && written && ::rename(temp, path) == 0)
            return true;
        ::unlink(temp);
    }
    fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = writeFields(fd, fields, count) && ::ftruncate(fd, off_t(length)) == 0;
    return ::close(fd) == 0 && written;
}

RunStopped::RunStopped(const QString& text) : XException(text.toUtf8().constData(), 0) {}
