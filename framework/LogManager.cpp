// The log: console lines, the log file and their level rules.

#include "LogManager.h"

#include "Keywords.h"
#include "SISMessageWriter.h"
#include "SecretMask.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {
const int LevelNameWidth = 13;

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}
}  // namespace

LogManager* LogManager::instance()
{
    static LogManager* manager = new LogManager;
    return manager;
}

LogManager::LogManager() = default;

QString LogManager::levelName(int level)
{
    static const char* const names[] = {"None",          "Emergency", "Alert",      "Critical",
                                        "Error",         "Warning",   "Progress",   "",
                                        "Informational", "Debug",     "Proprietary"};
    const char* name = (level >= -1 && level <= 9) ? names[level + 1] : "";
    return QString::fromLatin1(name).leftJustified(LevelNameWidth, QLatin1Char(' '));
}

QString LogManager::consoleLine(int level, const QTime& time, const QString& method, const QString& message)
{
    return SISMessageWriter::joinFields(
        {kw::TagLog, levelName(level), time.toString(QStringLiteral("hh:mm:ss")), method, message});
}

QString LogManager::fileLine(const QString& title, int level, const QTime& time, const QString& method,
                             const QString& message)
{
    const QString line = title + QLatin1Char(':') + time.toString(QStringLiteral("hh:mm:ss")) +
                         QStringLiteral(": ") + levelName(level) + QLatin1Char(' ') + oneLine(method) +
                         QStringLiteral(": ") + oneLine(message);
    if (level == 9)
        return QStringLiteral("proprietary:") + QString::fromLatin1(line.toUtf8().toBase64());
    return line;
}

bool LogManager::setTarget(const QString& word)
{
    if (word.isEmpty())
        m_target = Both;
    else if (word == kw::LogOff)
        m_target = Off;
    else if (word == kw::LogConsoleOff)
        m_target = ConsoleOff;
    else if (word == kw::LogFileOff)
        m_target = FileOff;
    else if (word == kw::LogExtract)
        m_target = Extract;
    else
        return false;
    return true;
}

bool LogManager::openFile(const QString& path)
{
    closeFile();
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    m_file.setFileName(path);
    // Unbuffered: every line goes to the file at once, and a failed write is seen at once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_file.setFileName(QString());
        return false;
    }
    return true;
}

void LogManager::closeFile()
{
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(QString());
}

QString LogManager::filePath() const
{
    return m_file.isOpen() ? m_file.fileName() : QString();
}

void LogManager::flush()
{
    if (m_file.isOpen() && !m_file.flush())
        noteWriteFailure(0);
}

void LogManager::addSecret(const QString& secret)
{
    if (!secret.isEmpty() && !m_secrets.contains(secret))
        m_secrets.append(secret);
}

QString LogManager::mask(const QString& text) const
{
    return SecretMask::apply(text, m_secrets);
}

void LogManager::noteWriteFailure(int error)
{
    if (m_writeFailure.isEmpty())
        m_writeFailure = QStringLiteral("Could not write the log file ") + m_file.fileName() +
                         QStringLiteral(": ") +
                         (error ? QString::fromLocal8Bit(std::strerror(error)) : m_file.errorString());
}

void LogManager::reset()
{
    closeFile();
    m_title.clear();
    m_target = Both;
    m_extracting = false;
    m_secrets.clear();
    m_writeFailure.clear();
}

void LogManager::log(int level, const QString& message, const QString& method)
{
    if (level < 0)
        return;
    if (level > 9)
        level = 9;

    bool toConsole = false;
    bool toFile = false;
    switch (m_target) {
    case Both:
        toConsole = toFile = true;
        break;
    case Off:
        break;
    case ConsoleOff:
        toFile = true;
        break;
    case FileOff:
        toConsole = true;
        break;
    case Extract:
        toFile = true;
        toConsole = !m_extracting;
        break;
    }
    if (level <= 3)
        toConsole = toFile = true;
    if (level >= 8)
        toConsole = false;

    const QTime now = QTime::currentTime();
    const QString text = mask(message);
    const QString where = mask(method);
    if (toConsole)
        SISMessageWriter::instance()->writeOut(consoleLine(level, now, where, text));
    if (toFile && m_file.isOpen()) {
        const QByteArray line = fileLine(m_title, level, now, where, text).toUtf8() + "\r\n";
        errno = 0;
        if (m_file.write(line) != line.size())
            noteWriteFailure(errno);
    }
}
