// Running the real program and splitting what it answers.

#include "ProgramRunner.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace enginetest {

QStringList ProgramResult::HostLines() const
{
    QStringList lines;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QStringLiteral("log\t")))
            lines << line;
    }
    return lines;
}

QStringList ProgramResult::LogMessages(const QString& prefix) const
{
    QStringList messages;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 5 && fields[0] == QLatin1String("log") && fields[4].startsWith(prefix))
            messages << fields.mid(4).join(QLatin1Char('\t'));
    }
    return messages;
}

QStringList ProgramResult::ErrLines() const
{
    return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool HaveProgram()
{
#ifdef VARNHOLM_BIN
    return QFile::exists(QStringLiteral(VARNHOLM_BIN));
#else
    return false;
#endif
}

QProcessEnvironment OdbcEnvironment(const QString& odbcFolder, const QString& odbcIni)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ODBCSYSINI"), odbcFolder);
    env.insert(QStringLiteral("ODBCINI"), odbcIni);
    return env;
}

namespace {

// Waits up to two minutes for the started process and takes its exit code and output; a process
// that does not finish is killed and leaves the code -1.
[[maybe_unused]] void Collect(QProcess& process, ProgramResult& result)
{
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
}

}  // namespace

ProgramResult RunProgram(const QStringList& args, const QProcessEnvironment& env)
{
    ProgramResult result;
#ifdef VARNHOLM_BIN
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VARNHOLM_BIN), args);
    Collect(process, result);
#else
    Q_UNUSED(args);
    Q_UNUSED(env);
#endif
    return result;
}

ProgramResult RunThrough(const QString& script, const QStringList& args, const QProcessEnvironment& env,
                         const QString& workDir)
{
    ProgramResult result;
#ifdef VARNHOLM_BIN
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), script, QStringLiteral("bash"),
                                                      QStringLiteral(VARNHOLM_BIN)} +
                                              args);
    Collect(process, result);
#else
    Q_UNUSED(script);
    Q_UNUSED(args);
    Q_UNUSED(env);
    Q_UNUSED(workDir);
#endif
    return result;
}

QString Encode(const QString& password)
{
    return QString::fromLatin1(password.toUtf8().toHex());
}

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString AllText(const QString& folder)
{
    QString text;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        const QString content = ReadText(dir.filePath(name));
        for (QString line : content.split(QLatin1Char('\n'))) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            text += line + QLatin1Char('\n');
            const int mark = line.indexOf(QStringLiteral("proprietary:"));
            if (mark >= 0)
                text += QString::fromUtf8(QByteArray::fromBase64(line.mid(mark + 12).trimmed().toLatin1())) +
                        QLatin1Char('\n');
        }
    }
    return text;
}

QStringList FileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::CaseSensitive, QDir::Name);
}

}  // namespace enginetest
