#include "SISConfig.h"

#include "AppTaskBase.h"
#include "Constants.h"
#include "Keywords.h"
#include "LogManager.h"
#include "SISMessageWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>

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

bool SISConfig::writeTextFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

void SISConfig::setUpLogFile()
{
    QString folder = param(kw::LogPath);
    if (folder.isEmpty())
        folder = param(kw::Path);
    QString school = param(kw::School);
    school.replace(QLatin1Char('/'), QLatin1Char('_'));
    school.replace(QLatin1Char('\\'), QLatin1Char('_'));
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

void SISConfig::copyLogToOutput()
{
    LogManager* log = LogManager::instance();
    const QString source = log->filePath();
    if (source.isEmpty())
        return;
    const QString target = joinPath(param(kw::Path), QFileInfo(source).fileName());
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return;
    log->flush();
    QFile::remove(target);
    if (!QFile::copy(source, target))
        emit writeLog(4, QStringLiteral("Could not copy the log file to: ") + target, RunMethod);
}

int SISConfig::commandRun()
{
    m_runStarted = true;
    m_failText = QString::fromLatin1(txt::FailedOnExtraction);
    if (!checkRequirements(kw::Run))
        return 1;
    setUpLogFile();

    const QString folder = param(kw::Path);
    if (!usableFolder(folder)) {
        emit writeError(kw::Path, QStringLiteral("Could not create or write the output folder: ") + folder);
        return 1;
    }
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

    if (!writeTextFile(bridgeStatus, statusDate() + QLatin1Char('\t') +
                                         QString::fromLatin1(txt::ExtractRunning) + QStringLiteral("\r\n"))) {
        emit writeError(kw::Path, QStringLiteral("Could not write: ") + bridgeStatus);
        return 1;
    }

    QStringList dump;
    const ParamMap shown = scrubbedParams();
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it)
        dump << it.key() + QLatin1Char('=') + it.value();
    emit writeLog(9, QStringLiteral("Parameters: ") + dump.join(QStringLiteral("; ")), RunMethod);

    int mode = 1 | 2;
    if (paramIsOn(kw::All))
        mode = 1 | 2;
    if (paramIsOn(kw::Demo))
        mode = 1;
    if (paramIsOn(kw::Att))
        mode &= ~1;

    QString result;
    bool ok = false;
    if (AppTaskBase* t = task()) {
        // With the "extract" target the console gets no log lines from here on.
        LogManager::instance()->setExtracting(true);
        ok = t->BeginExecute(params(), mode, result);
    } else {
        result = QStringLiteral("No extraction task.");
    }

    if (ok) {
        emit writeLog(7, result, RunMethod);
    } else {
        emit writeLog(3, result, RunMethod);
        emit writeError(QStringLiteral("Extraction Failed"), result);
    }
    copyLogToOutput();
    return ok ? 0 : 1;
}

void SISConfig::writeStatusFiles(bool succeeded, const QString& failText)
{
    QString folder = param(kw::Path);
    if (!usableFolder(folder)) {
        if (folder.isEmpty() && !m_runStarted)
            return;
        folder = documentsLogFolder();
        if (!QDir().mkpath(folder))
            return;
    }
    const QString result = succeeded ? QString::fromLatin1(txt::Succeeded) + QLatin1Char('\t') +
                                           QString::fromLatin1(txt::Succeeded)
                                     : QString::fromLatin1(txt::Failed) + QLatin1Char('\t') + failText;
    const QString statusFile = joinPath(folder, appType() + QString::fromLatin1(txt::StatusFileSuffix));
    if (!writeTextFile(statusFile, statusDate() + QLatin1Char('\t') + result + QStringLiteral("\r\n")))
        emit writeLog(3, QStringLiteral("Could not write: ") + statusFile,
                      QStringLiteral("SISConfig::exitCommand"));
    if (finishedFile().isEmpty())
        return;
    const QString finished = joinPath(folder, finishedFile());
    if (!writeTextFile(finished, QString::fromLatin1(txt::FinishedWord) + QStringLiteral("\r\n")))
        emit writeLog(3, QStringLiteral("Could not write: ") + finished,
                      QStringLiteral("SISConfig::exitCommand"));
}

int SISConfig::exitCommand(int code, const QString& failText)
{
    QString text = m_failText;
    if (text.isEmpty())
        text = failText;
    if (text.isEmpty())
        text = QStringLiteral("Failed on ") + m_command + QLatin1Char('.');
    if (!m_validating)
        writeStatusFiles(code == 0, text);
    SISMessageWriter::instance()->flushMissing();
    LogManager::instance()->flush();
    return code;
}
