// Running the real program, splitting what it answers, and reading the files it writes.

#include "ProgramRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace enginetest {

QStringList ProgramResult::HostLines() const
{
    QStringList lines;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith("log\t"))
            lines << line;
    }
    return lines;
}

QStringList ProgramResult::Lines(const QString& kind) const
{
    return HostLines().filter(QRegularExpression('^' + kind + '\t'));
}

QStringList ProgramResult::LogMessages(const QString& prefix) const
{
    QStringList messages;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (fields.size() >= 5 && fields[0] == "log" && fields[4].startsWith(prefix))
            messages << fields.mid(4).join('\t');
    }
    return messages;
}

QStringList ProgramResult::ErrLines() const
{
    return err.split('\n', Qt::SkipEmptyParts);
}

bool HaveProgram()
{
#ifdef VARNHOLM_BIN
    return QFile::exists(VARNHOLM_BIN);
#else
    return false;
#endif
}

QProcessEnvironment OdbcEnvironment(const QString& odbcFolder, const QString& odbcIni)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ODBCSYSINI", odbcFolder);
    env.insert("ODBCINI", odbcIni);
    return env;
}

ProgramResult Finished(QProcess& process, const QByteArray& outputRead)
{
    ProgramResult result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = QString::fromUtf8(outputRead + process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

ProgramResult RunProgram(const QStringList& args, const QProcessEnvironment& env)
{
    return RunThrough("exec \"$@\"", args, env);
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
    process.start("bash", QStringList{"-c", script, "bash", VARNHOLM_BIN} + args);
    result = Finished(process);
#else
    Q_UNUSED(script);
    Q_UNUSED(args);
    Q_UNUSED(env);
    Q_UNUSED(workDir);
#endif
    return result;
}

ProgramResult RunPausedAtSql(const QStringList& args, QProcessEnvironment env, const QString& sql,
                             const QString& pauseFile, const std::function<void(pid_t)>& act, bool& paused)
{
    ProgramResult result;
    paused = false;
#if defined(VARNHOLM_BIN) && defined(VH_FAULT_PRELOAD)
    env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
    env.insert("VH_FAULT_PAUSE_FILE", pauseFile);
    env.insert("VH_FAULT_PAUSE_SQL", sql);
    QProcess run;
    run.setProcessEnvironment(env);
    run.start(VARNHOLM_BIN, args);
    // Until the pause or the program's end; the count (two minutes at least, as Finished gives a
    // run) only guards against a hang.
    for (int i = 0; i < 12000 && run.state() != QProcess::NotRunning && !QFile::exists(pauseFile) &&
                    !run.waitForFinished(10);
         ++i) {
    }
    paused = QFile::exists(pauseFile);
    if (paused)
        act(static_cast<pid_t>(run.processId()));
    QFile::remove(pauseFile);
    result = Finished(run);
#else
    Q_UNUSED(args);
    Q_UNUSED(env);
    Q_UNUSED(sql);
    Q_UNUSED(pauseFile);
    Q_UNUSED(act);
#endif
    return result;
}

ExecVectors::ExecVectors(const QStringList& command, const QProcessEnvironment& env)
{
    for (const QString& a : command)
        m_args.push_back(a.toStdString());
    for (const QString& v : env.toStringList())
        m_vars.push_back(v.toStdString());
    for (std::string& a : m_args)
        m_argv.push_back(&a[0]);
    m_argv.push_back(nullptr);
    for (std::string& v : m_vars)
        m_envp.push_back(&v[0]);
    m_envp.push_back(nullptr);
}

QString Encode(const QString& password)
{
    return QString::fromLatin1(password.toUtf8().toHex());
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ReadText(const QString& path)
{
    return QString::fromUtf8(ReadBytes(path));
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QString AllText(const QString& folder)
{
    QString text;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        text += name + '\n';
        const QString content = ReadText(dir.filePath(name));
        for (QString line : content.split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            text += line + '\n';
            const int mark = line.indexOf("proprietary:");
            if (mark >= 0)
                text += QString::fromUtf8(QByteArray::fromBase64(line.mid(mark + 12).trimmed().toLatin1())) +
                        '\n';
        }
    }
    return text;
}

QStringList FileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::CaseSensitive, QDir::Name);
}

QStringList UpdateFiles(const QString& folder)
{
    return QDir(folder).entryList(QStringList{"Update *.PDU"}, QDir::Files, QDir::Name);
}

QMap<QString, QStringList> UpdateSections(const QString& path)
{
    QMap<QString, QStringList> sections;
    QString title;
    bool titles = false;
    for (const QString& line : ReadText(path).split("\r\n")) {
        if (line.startsWith("// Cached ")) {
            title = line.mid(3);
            sections[title];
            titles = true;
        } else if (titles) {
            titles = false;
        } else if (line == "*") {
            title.clear();
        } else if (!title.isEmpty()) {
            sections[title] << line;
        }
    }
    for (QStringList& lines : sections)
        lines.sort();
    return sections;
}

QByteArray WithoutTimeStamps(const QByteArray& text)
{
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("// Created: ") && !line.startsWith("// Start Time: ") &&
            !line.startsWith("// End Time: "))
            out += line + '\n';
    }
    return out;
}

namespace {

// The lines of CR LF text; the empty piece after the last line end is not a line.
QList<QByteArray> CrLfLines(const QByteArray& text)
{
    QList<QByteArray> lines;
    int start = 0;
    for (int end; (end = text.indexOf("\r\n", start)) >= 0; start = end + 2)
        lines << text.mid(start, end - start);
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

// A title line follows a header line: neither a note, a directive nor a terminator.
bool IsTitleLine(const QByteArray& line)
{
    return !line.isEmpty() && !line.startsWith("//") && !line.startsWith('#') && line != "*";
}

// The records that break the width of the titles, as one text (empty when all are whole).
QString WidthFaults(const QString& where, const QByteArray& titles, const QList<QByteArray>& records)
{
    const int tabs = titles.count('\t');
    QStringList faults;
    for (int i = 0; i < records.size(); ++i) {
        const QByteArray& record = records[i];
        if (record.startsWith("//"))
            continue;
        if (record.count('\t') != tabs || record.contains('\r') || record.contains('\n'))
            faults << QString("record %1 has %2 TABs").arg(i + 1).arg(record.count('\t'));
    }
    if (faults.isEmpty())
        return QString();
    return where + QString(": %1 TABs wanted; ").arg(tabs) + faults.join(", ");
}

}  // namespace

QStringList BrokenRecords(const QString& folder)
{
    const QDir dir(folder);
    QStringList broken;
    for (const QString& main : dir.entryList(QStringList{"*.PDE"}, QDir::Files)) {
        const QList<QByteArray> lines = CrLfLines(ReadBytes(dir.filePath(main)));
        const QRegularExpression include("^#(safe)?include \"(.+)\"$");
        for (int i = 1; i < lines.size(); ++i) {
            const QRegularExpressionMatch m = include.match(QString::fromUtf8(lines[i]));
            if (!m.hasMatch() || !IsTitleLine(lines[i - 1]))
                continue;
            const QString name = m.captured(2);
            const QString path = dir.filePath(name);
            if (!QFile::exists(path)) {
                broken << name + ": included but not written";
                continue;
            }
            const QString fault = WidthFaults(name, lines[i - 1], CrLfLines(ReadBytes(path)));
            if (!fault.isEmpty())
                broken << fault;
        }
    }
    for (const QString& update : UpdateFiles(folder)) {
        const QList<QByteArray> lines = CrLfLines(ReadBytes(dir.filePath(update)));
        for (int i = 0; i + 1 < lines.size(); ++i) {
            if (!lines[i].startsWith("// ") || !IsTitleLine(lines[i + 1]))
                continue;
            const QByteArray& titles = lines[i + 1];
            QList<QByteArray> records;
            for (i += 2; i < lines.size() && lines[i] != "*"; ++i)
                records << lines[i];
            const QString fault = WidthFaults(update + " " + QString::fromUtf8(titles.left(40)), titles, records);
            if (!fault.isEmpty())
                broken << fault;
        }
    }
    return broken;
}

const QString kFailedRun = "<date>\tFailed\tFailed on extraction.\r\n";

QString Status(const QString& folder)
{
    return ReadText(folder + "/Data ExtractorStatus.tmp")
        .replace(QRegularExpression("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\t"), "<date>\t");
}

QString FallbackFolder()
{
    return QProcessEnvironment::systemEnvironment().value("HOME") + "/Documents/Tamberlyn Software/Logs";
}

}  // namespace enginetest
