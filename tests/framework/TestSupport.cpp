// Capture of the host streams, the test application and running the program.

#include "TestSupport.h"

#include "LogManager.h"
#include "SISMessageWriter.h"
#include "TestTask.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {
QString readAll(FILE* stream)
{
    fflush(stream);
    rewind(stream);
    QByteArray bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.append(buffer, int(n));
    fseek(stream, 0, SEEK_END);
    return QString::fromUtf8(bytes);
}
}  // namespace

Capture::Capture() : m_out(tmpfile()), m_err(tmpfile())
{
    SISMessageWriter::instance()->setStreams(m_out, m_err);
    SISMessageWriter::instance()->clearQueue();
    LogManager::instance()->reset();
}

Capture::~Capture()
{
    SISMessageWriter::instance()->setStreams(stdout, stderr);
    SISMessageWriter::instance()->clearQueue();
    LogManager::instance()->reset();
    fclose(m_out);
    fclose(m_err);
}

QString Capture::out()
{
    return readAll(m_out);
}

QString Capture::err()
{
    return readAll(m_err);
}

TestApp::TestApp() : SISConfig([]() -> AppTaskBase* { return new TestTask; })
{
    setTitle(QStringLiteral("Test App"));
    setShortName(QStringLiteral("Testing"));
    setOldShortName(QStringLiteral("TestingOld"));
    setVersion(QStringLiteral("9.8.7.6"));
    setMinVersion(QStringLiteral("1.2.3"));
    setAlias(QStringLiteral("test-app"));
    setFinishedFile(QStringLiteral("finished_bridge.tmp"));
    init();
    const QString connection = QStringLiteral("connection");
    const QString school = QStringLiteral("school");
    addParam(connection, QStringLiteral("dsnheader"), QStringLiteral("Login"), QStringLiteral("header"),
             QString());
    addParam(connection, QStringLiteral("dsn"), QStringLiteral("ODBC DSN"), QStringLiteral("datasource_list"),
             QStringLiteral("Name of DSN"));
    addParam(connection, QStringLiteral("user"), QStringLiteral("Username"), QStringLiteral("edit"),
             QStringLiteral("User name"), QStringLiteral("admin"));
    addParam(connection, QStringLiteral("pwdencode"), QStringLiteral("Password"), QStringLiteral("password"),
             QStringLiteral("Password  of the user"));
    addParam(school, QStringLiteral("school"), QStringLiteral("School Number"), QStringLiteral("school_list"),
             QStringLiteral("Choose the school"));
    addParam(school, QStringLiteral("secretcode"), QStringLiteral("Code"), QStringLiteral("hidden"),
             QStringLiteral("Kept from view"));
    addParam(school, QStringLiteral("filterstudent"), QStringLiteral("Extra Student"), QStringLiteral("flag"),
             QStringLiteral("Leave checked."));
    setCommandSwitches(school, {QStringLiteral("school")});
    setCommandGroups(school, connection);
    setCommandSwitches(connection, {QStringLiteral("dsn"), QStringLiteral("user"), QStringLiteral("pwd")});
    setCommandSwitches(connection,
                       {QStringLiteral("dsn"), QStringLiteral("user"), QStringLiteral("pwdencode")});
}

int TestApp::testGroup(const QString& group, QString& result)
{
    lastTestedGroup = group;
    result = QStringLiteral("Tested ") + group + QStringLiteral(" as ") + param(QStringLiteral("user"));
    emit writeTest(QStringLiteral("success"), group, result);
    return 0;
}

int TestApp::schoolListParam(const QString& key)
{
    emit writeList(QStringLiteral("school_list"), key, QStringLiteral("7"), QStringLiteral("North (7)"),
                   QString());
    emit writeList(QStringLiteral("other_list"), key, QStringLiteral("8"), QStringLiteral("x"), QString());
    return 0;
}

void TestApp::defaultSettings(const QDomElement& config)
{
    emit writeSettingIncrement(QStringLiteral("setting"), QStringLiteral("connection"), QStringLiteral("dsn"),
                               config.attribute(QStringLiteral("SISDSN")));
    emit writeSettingIncrement(QStringLiteral("setting"), QStringLiteral("school"), QStringLiteral("school"),
                               config.attribute(QStringLiteral("SchoolNumber")));
}

ProgramResult runProgram(const QStringList& args)
{
    QProcess process;
    process.setProgram(QStringLiteral(VARNHOLM_DE_BIN));
    process.setArguments(args);
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process.start();
    ProgramResult result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

QString documentsLogFolder()
{
    return QDir::homePath() + QStringLiteral("/Documents/Tamberlyn Software/Logs");
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QString maskTimes(QString text)
{
    text.replace(QRegularExpression(QStringLiteral("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}")),
                 QStringLiteral("<date>"));
    text.replace(QRegularExpression(QStringLiteral("\\b\\d{2}:\\d{2}:\\d{2}\\b")), QStringLiteral("<time>"));
    return text;
}
