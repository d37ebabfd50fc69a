// The host message lines on standard output and standard error.

#include "SISMessageWriter.h"

#include "Constants.h"
#include "Keywords.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

SISMessageWriter* SISMessageWriter::instance()
{
    static SISMessageWriter* writer = new SISMessageWriter;
    return writer;
}

namespace {
bool g_closedAtStart[3] = {false, false, false};
}

void SISMessageWriter::holdStandardStreams()
{
    for (int fd = 0; fd < 3; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        g_closedAtStart[fd] = true;
        const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
}

SISMessageWriter::SISMessageWriter() : m_out(stdout), m_err(stderr) {}

void SISMessageWriter::setStreams(FILE* out, FILE* err)
{
    m_out = out;
    m_err = err;
    m_writeFailure.clear();
}

QString SISMessageWriter::joinFields(const QStringList& fields)
{
    QStringList clean;
    clean.reserve(fields.size());
    for (QString field : fields) {
        for (QChar& c : field) {
            if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                c = QLatin1Char(' ');
        }
        clean.append(field);
    }
    return clean.join(QLatin1Char('\t'));
}

void SISMessageWriter::write(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    errno = 0;
    int error = 0;
    if (fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) != size_t(bytes.size()))
        error = errno ? errno : EIO;
    if (fflush(stream) != 0 && !error)
        error = errno ? errno : EIO;
    if ((stream == stdout && g_closedAtStart[1]) || (stream == stderr && g_closedAtStart[2]))
        error = EBADF;
    if (error) {
        // The host stopped reading (or the stream is closed): the command cannot report success.
        clearerr(stream);
        if (m_writeFailure.isEmpty())
            m_writeFailure =
                QStringLiteral("Could not write to ") +
                (stream == m_err ? QStringLiteral("standard error: ") : QStringLiteral("standard output: ")) +
                QString::fromLocal8Bit(strerror(error));
    }
}

void SISMessageWriter::writeOut(const QString& line)
{
    write(m_out, line);
}

void SISMessageWriter::writeErr(const QString& line)
{
    write(m_err, line);
}

void SISMessageWriter::flushMissing()
{
    const QStringList queued = m_missing;
    m_missing.clear();
    for (const QString& line : queued)
        writeErr(line);
}

void SISMessageWriter::outVersion(const QString& version, const QString& minVersion)
{
    writeOut(joinFields({kw::TagVersion, version, minVersion}));
}

void SISMessageWriter::outParams(const QString& group, const QString& key, const QString& displayName,
                                 const QString& type, const QString& help, const QString& defaultValue)
{
    writeOut(joinFields({kw::TagParams, group, key, displayName, type, help, defaultValue}));
}

void SISMessageWriter::outHiddenParam(const QString& group, const QString& key, const QString& displayName,
                                      const QString& type, const QString& help, const QString& defaultValue)
{
    writeOut(joinFields({kw::TagHiddenParam, group, key, displayName, type, help, defaultValue}));
}

void SISMessageWriter::outList(const QString& type, const QString& key, const QString& value,
                               const QString& displayName, const QString& defaultValue)
{
    if (type != kw::TypeList && type != kw::TypeBridgeList && type != kw::TypeSchoolList &&
        type != kw::TypeDistrictList && type != kw::TypeYearList) {
        outError(key, QString::fromLatin1(txt::ListTypeNotSetUp));
        return;
    }
    writeOut(joinFields({type, key, value, displayName, defaultValue}));
}

void SISMessageWriter::outTree(const QString& key, const QString& value, const QString& displayName,
                               const QString& parent)
{
    writeOut(joinFields({kw::TagTree, key, value, displayName, parent}));
}

void SISMessageWriter::outHidden(const QString& key, const QString& value)
{
    writeOut(joinFields({kw::TagHidden, key, value}));
}

void SISMessageWriter::outFile(const QString& key, const QString& value)
{
    writeOut(joinFields({kw::TagFile, key, value}));
}

void SISMessageWriter::outNumber(const QString& key, const QString& value)
{
    writeOut(joinFields({kw::TagNumber, key, value}));
}

void SISMessageWriter::outDate(const QString& key, const QString& value)
{
    writeOut(joinFields({kw::TagDate, key, value}));
}

void SISMessageWriter::outTest(const QString& status, const QString& group, const QString& message)
{
    flushMissing();
    writeOut(joinFields({kw::TagTest, group, status, message}));
}

void SISMessageWriter::outStatus(const QString& status, const QString& message)
{
    writeOut(joinFields({kw::TagStatus, status, message}));
}

void SISMessageWriter::outManage(const QString& action, const QString& message)
{
    writeOut(joinFields({kw::TagManage, action, message}));
}

void SISMessageWriter::outProgress(const QString& type, int total)
{
    if (total == -1)
        writeOut(joinFields({type}));
    else
        writeOut(joinFields({type, QString::number(total)}));
}

void SISMessageWriter::outProgressIncrement(const QString& text)
{
    writeOut(joinFields({kw::TagIncProgress, text}));
}

void SISMessageWriter::outProgressWarning(const QString& text)
{
    if (text.isEmpty())
        writeOut(joinFields({kw::TagIncProgress, text}));
    else
        writeOut(joinFields({kw::TagWarnProgress, text}));
}

void SISMessageWriter::outSetting(const QString& type)
{
    writeOut(joinFields({type}));
}

void SISMessageWriter::outSettingIncrement(const QString& type, const QString& group, const QString& key,
                                           const QString& value)
{
    writeOut(joinFields({type, group, key, value}));
}

void SISMessageWriter::outSettingIncrementGrouping(const QString& type, const QString& group,
                                                   const QString& key, const QString& value,
                                                   const QString& grouping)
{
    writeOut(joinFields({type, group, key, value, grouping}));
}

void SISMessageWriter::outWarning(const QString& title, const QString& message)
{
    flushMissing();
    writeOut(joinFields({kw::TagWarning, title, message}));
}

void SISMessageWriter::outMissing(const QString& key, const QString& message)
{
    const QString line = joinFields({kw::TagMissing, key, message});
    if (!m_missing.contains(line))
        m_missing.append(line);
}

void SISMessageWriter::outError(const QString& title, const QString& message)
{
    flushMissing();
    writeErr(joinFields({kw::TagError, title, message}));
}

void SISMessageWriter::outClearMessages()
{
    m_missing.clear();
}
