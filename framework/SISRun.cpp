// The run command: log file, status files and the task's execution.

#include "SISConfig.h"

#include "AppTaskBase.h"
#include "Constants.h"
#include "CrashGuard.h"
#include "Keywords.h"
#include "LogManager.h"
#include "SISMessageWriter.h"
#include "SecretMask.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const int KeptLogFiles = 7;
const QString RunMethod = QStringLiteral("SISConfig::commandRun");

QString joinPath(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name);
}

// True when the folder exists (or could be made) and a file can be created in it.
bool usableFolder(const QString& folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(joinPath(folder, QStringLiteral(".probe-XXXXXX")));
    return probe.open();
}

QString statusDate()
{
    return QDateTime::currentDateTime().toString(QString::fromLatin1(txt::StatusDateFormat));
}
}  // namespace

bool SISConfig::writeResultLine(const QString& path, const QStringList& fields)
{
    // Whole or not at all for a reader, and one line of these fields whatever they hold: the crash
    // guard's writer (under a temporary name renamed over the file, or in place and cut to length).
    QList<QByteArray> bytes;
    std::vector<CrashGuard::Field> line;
    for (const QString& field : fields)
        bytes.append(field.toUtf8());
    for (const QByteArray& field : bytes)
        line.push_back(CrashGuard::Field{field.constData(), size_t(field.size())});
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = target + QByteArrayLiteral(".partial");
    return CrashGuard::writeLine(target.constData(), temp.constData(), line.data(), line.size());
}

void SISConfig::setUpLogFile()
{
    QString folder = param(kw::LogPath);
    if (folder.isEmpty())
        folder = param(kw::Path);
    // The school is not checked yet: nothing of it but plain characters may reach the file name.
    QString school = param(kw::School);
    for (QChar& c : school) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char('_');
    }
    const QString name = shortName() + QLatin1Char('-') + school + QLatin1Char('-') +
                         QDate::currentDate().toString(QString::fromLatin1(txt::LogDateFormat)) +
                         QStringLiteral(".log");

    LogManager* log = LogManager::instance();
    const QString target = joinPath(folder, name);
    if (!folder.isEmpty() && log->openFile(target)) {
        pruneLogFiles(folder, name);
        return;
    }
    const QString fallbackFolder = documentsLogFolder();
    const QString fallback = joinPath(fallbackFolder, name);
    emit writeError(QString::fromLatin1(txt::LogFileError), QStringLiteral("Could not write to: ") + target +
                                                                QStringLiteral(". Will now write to: ") +
                                                                fallback);
    if (log->openFile(fallback))
        pruneLogFiles(fallbackFolder, name);
}

void SISConfig::pruneLogFiles(const QString& folder, const QString& keep)
{
    const QRegularExpression pattern(QLatin1Char('^') + QRegularExpression::escape(shortName()) +
                                     QStringLiteral("-.*-(\\d{4}-\\d{2}-\\d{2})\\.log$"));
    QList<QPair<QString, QString>> found;  // date, name
    const QStringList names = QDir(folder).entryList(QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            found.append(qMakePair(m.captured(1), name));
    }
    std::sort(found.begin(), found.end());
    int left = found.size();
    for (int i = 0; left > KeptLogFiles && i < found.size(); ++i) {
        if (found.at(i).second == keep)
            continue;
        if (QFile::remove(joinPath(folder, found.at(i).second))) {
            --left;
            emit writeLog(8, QStringLiteral("Removed old log file: ") + found.at(i).second, RunMethod);
        }
    }
}

bool SISConfig::copyLogToOutput(QString& failure)
{
    LogManager* log = LogManager::instance();
    const QString source = log->filePath();
    if (source.isEmpty())
        return true;
    const QString target = joinPath(param(kw::Path), QFileInfo(source).fileName());
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return true;
    log->flush();
    QFile::remove(target);
    if (QFile::copy(source, target))
        return true;
    QFile::remove(target);
    failure = QStringLiteral("Could not copy the log file to: ") + target;
    return false;
}

bool SISConfig::lockOutputFolder(const QString& folder)
{
    unlockOutputFolder();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;  // a folder that cannot be opened fails the run's own checks
    // Another command holds the folder only while it writes its status files, and shares it: the
    // run waits for it (5 seconds at most). A run holds it alone; then the answer is at once.
    for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; waited += 20) {
        const int error = errno;
        if (error == EWOULDBLOCK && waited < 5000 && ::flock(fd, LOCK_SH | LOCK_NB) == 0) {
            ::flock(fd, LOCK_UN);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        ::close(fd);
        return error != EWOULDBLOCK;
    }
    m_lockFd = fd;
    return true;
}

void SISConfig::unlockOutputFolder()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

int SISConfig::runMode() const
{
    // Bit 1 the full pass, bit 2 the update pass.
    int mode = 1 | 2;
    if (paramIsOn(kw::Demo))
        mode = 1;
    if (paramIsOn(kw::Att))
        mode &= ~1;
    return mode;
}

int SISConfig::commandRun()
{
    m_failText = QString::fromLatin1(txt::FailedOnExtraction);
    // A run ended from outside (a service manager, a closed terminal) ends as a failed run.
    CrashGuard::catchStopSignals();
    if (!checkRequirements(kw::Run) || !openRunFolder(param(kw::Path)))
        return 1;
    logRunParameters();

    QString result;
    bool ok = false;
    if (AppTaskBase* t = task()) {
        // With the "extract" target the console gets no log lines from here on.
        LogManager::instance()->setExtracting(true);
        ok = !CrashGuard::stopSignal() && t->BeginExecute(params(), runMode(), result);
    } else {
        result = QStringLiteral("No extraction task.");
    }
    return finishRun(ok, result) ? 0 : 1;
}

bool SISConfig::openRunFolder(const QString& folder)
{
    // One run at a time in an output folder: the folder is taken before any of its files is touched.
    const bool made = QDir().mkpath(folder);
    if (made && !lockOutputFolder(folder)) {
        m_outputBusy = true;
        emit writeError(kw::Path, QStringLiteral("Another run is using the output folder: ") + folder);
        return false;
    }
    setUpLogFile();

    if (!made || !usableFolder(folder)) {
        emit writeError(kw::Path, QStringLiteral("Could not create or write the output folder: ") + folder);
        return false;
    }
    // A crash (of the program or of a driver it loaded) ends the run as a failed run.
    CrashGuard::arm(joinPath(folder, appType() + QString::fromLatin1(txt::StatusFileSuffix)),
                    finishedFile().isEmpty() ? QString() : joinPath(folder, finishedFile()), RunMethod);
    QFile::remove(joinPath(folder, QString::fromLatin1(txt::FinishedFile)));
    if (!finishedFile().isEmpty())
        QFile::remove(joinPath(folder, finishedFile()));

    const QString bridgeStatus = joinPath(folder, QString::fromLatin1(txt::BridgeStatusFile));
    QFile previous(bridgeStatus);
    bool succeededBefore = false;
    if (previous.open(QIODevice::ReadOnly))
        succeededBefore = previous.readAll().contains(txt::Succeeded);
    previous.close();
    setParam(kw::LogSchema, succeededBefore ? kw::False : kw::True);

    if (!writeResultLine(bridgeStatus, {statusDate(), QString::fromLatin1(txt::ExtractRunning)})) {
        emit writeError(kw::Path, QStringLiteral("Could not write: ") + bridgeStatus);
        return false;
    }
    return true;
}

void SISConfig::logRunParameters()
{
    // A switch that the program does not use may still hold a secret (a token, a passphrase): it
    // shows by its key only.
    QStringList dump;
    const ParamMap shown = scrubbedParams();
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it)
        dump << it.key() + QLatin1Char('=') +
                    (m_unusedKeys.contains(it.key()) ? QString::fromLatin1(SecretMask::Stars) : it.value());
    emit writeLog(9, QStringLiteral("Parameters: ") + dump.join(QStringLiteral("; ")), RunMethod);
    if (!m_unusedKeys.isEmpty()) {
        QStringList unused;
        for (const QString& key : m_unusedKeys)
            unused << SecretMask::shownKey(key);
        emit writeLog(4,
                      QStringLiteral("Not used by this program, its value is not logged: --") +
                          unused.join(QStringLiteral(", --")),
                      RunMethod);
    }
}

bool SISConfig::finishRun(bool ok, QString result)
{
    // Whatever the run answered, a stop signal ended it.
    if (const int signal = CrashGuard::stopSignal()) {
        ok = false;
        result = CrashGuard::stopText(signal);
    }
    // A run whose messages or log could not be written has not delivered its result.
    if (ok) {
        QString unwritten = SISMessageWriter::instance()->writeFailure();
        if (unwritten.isEmpty())
            unwritten = LogManager::instance()->writeFailure();
        if (!unwritten.isEmpty()) {
            ok = false;
            result = unwritten;
        }
    }
    if (ok) {
        emit writeLog(7, result, RunMethod);
    } else {
        emit writeLog(3, result, RunMethod);
        emit writeError(QStringLiteral("Extraction Failed"), result);
    }
    QString copyFailure;
    if (!copyLogToOutput(copyFailure)) {
        emit writeLog(3, copyFailure, RunMethod);
        if (ok) {
            ok = false;
            emit writeError(QStringLiteral("Extraction Failed"), copyFailure);
        }
    }
    return ok;
}

SISConfig::PairWritten SISConfig::writeStatusPair(const QString& folder, const QStringList& result,
                                                  const QStringList& failed)
{
    const QString method = QStringLiteral("SISConfig::exitCommand");
    const QString statusFile = joinPath(folder, appType() + QString::fromLatin1(txt::StatusFileSuffix));
    const QString finished = finishedFile().isEmpty() ? QString() : joinPath(folder, finishedFile());
    if (!writeResultLine(statusFile, QStringList{statusDate()} + result)) {
        emit writeLog(3, QStringLiteral("Could not write: ") + statusFile, method);
        // An earlier result must not stand for this one.
        QFile::remove(statusFile);
        if (!finished.isEmpty())
            QFile::remove(finished);
        return StatusNotWritten;
    }
    if (!finished.isEmpty() && !writeResultLine(finished, {QString::fromLatin1(txt::FinishedWord)})) {
        emit writeLog(3, QStringLiteral("Could not write: ") + finished, method);
        // A success without its finished file is none: the status says so, or is not there.
        if (result != failed && !writeResultLine(statusFile, QStringList{statusDate()} + failed))
            QFile::remove(statusFile);
        return FinishedNotWritten;
    }
    return PairWhole;
}

bool SISConfig::outputFolderHeld(const QString& folder)
{
    unlockOutputFolder();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Shared: the status is written while no run holds the folder, and no run starts meanwhile.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK;
    }
    m_lockFd = fd;
    return false;
}

bool SISConfig::writeStatusFiles(bool succeeded, const QString& failText)
{
    const QStringList failed{QString::fromLatin1(txt::Failed), failText};
    const QStringList result =
        succeeded ? QStringList{QString::fromLatin1(txt::Succeeded), QString::fromLatin1(txt::Succeeded)}
                  : failed;
    // The result goes wherever the host may read it: into the output folder (rewriting the files of
    // an earlier result even where no new file can be made), and into the fallback folder when the
    // output folder cannot be used. A folder that a run holds is left alone: by a second run, which
    // reports into the fallback folder, and by the other commands, which answer on standard output.
    // A refused command line makes no folder, and leaves one that a run holds to that run.
    const QString folder = param(kw::Path);
    bool recorded = true;
    bool useFolder =
        !folder.isEmpty() && !m_outputBusy && (!m_statusIntoExistingFolderOnly || QFileInfo(folder).isDir());
    if (useFolder && (m_command != kw::Run || m_statusIntoExistingFolderOnly) && outputFolderHeld(folder)) {
        emit writeLog(7,
                      QStringLiteral("A run is using the output folder; its status files are left alone: ") +
                          folder,
                      QStringLiteral("SISConfig::exitCommand"));
        if (m_command != kw::Run)
            return true;
        useFolder = false;
    }
    if (useFolder) {
        const bool usable = usableFolder(folder);
        const PairWritten written = writeStatusPair(folder, result, failed);
        if (written == PairWhole && usable)
            return true;
        recorded = written != FinishedNotWritten;
    } else if (m_command != kw::Run) {
        return true;
    }
    const QString fallback = documentsLogFolder();
    if (QDir().mkpath(fallback))
        writeStatusPair(fallback, recorded ? result : failed, failed);
    return recorded;
}

int SISConfig::exitCommand(int code, const QString& failText)
{
    SISMessageWriter* writer = SISMessageWriter::instance();
    writer->flushMissing();
    // Answers that did not reach the host are no success.
    if (code == 0 && !writer->writeFailure().isEmpty()) {
        emit writeLog(3, writer->writeFailure(), QStringLiteral("SISConfig::exitCommand"));
        code = 1;
    }
    QString text = m_failText;
    if (m_command == kw::Run)
        text = QString::fromLatin1(txt::FailedOnExtraction);
    if (text.isEmpty())
        text = failText;
    if (text.isEmpty())
        text = QStringLiteral("Failed on ") + m_command + QLatin1Char('.');
    // A stop signal after the run's own last check still fails it. From here stop signals wait, and
    // once the status is written, every command's result is final: no stop signal changes it or the
    // exit code.
    const bool run = m_command == kw::Run;
    CrashGuard::holdStopSignals();
    if (run && code == 0 && !m_validating && CrashGuard::stopSignal()) {
        code = 1;
        emit writeError(QStringLiteral("Extraction Failed"), CrashGuard::stopText(CrashGuard::stopSignal()));
    }
    if (!m_validating && !writeStatusFiles(code == 0, text) && code == 0) {
        code = 1;
        const QString finished = joinPath(param(kw::Path), finishedFile());
        emit writeError(run ? QStringLiteral("Extraction Failed") : QString(kw::Path),
                        QStringLiteral("Could not write: ") + finished);
    }
    CrashGuard::settle();
    CrashGuard::disarm();
    LogManager::instance()->flush();
    unlockOutputFolder();
    return code;
}
