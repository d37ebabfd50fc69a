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
    setTitle("Test App");
    setShortName("Testing");
    setOldShortName("TestingOld");
    setVersion("9.8.7.6");
    setMinVersion("1.2.3");
    setAlias("test-app");
    setFinishedFile("finished_bridge.tmp");
    init();
    const QString connection = "connection";
    const QString school = "school";
    addParam(connection, "dsnheader", "Login", "header", QString());
    addParam(connection, "dsn", "ODBC DSN", "datasource_list", "Name of DSN");
    addParam(connection, "user", "Username", "edit", "User name", "admin");
    addParam(connection, "pwdencode", "Password", "password", "Password  of the user");
    addParam(school, "school", "School Number", "school_list", "Choose the school");
    addParam(school, "secretcode", "Code", "hidden", "Kept from view");
    addParam(school, "filterstudent", "Extra Student", "flag", "Leave checked.");
    setCommandSwitches(school, {"school"});
    setCommandGroups(school, connection);
    setCommandSwitches(connection, {"dsn", "user", "pwd"});
    setCommandSwitches(connection, {"dsn", "user", "pwdencode"});
}

int TestApp::testGroup(const QString& group, QString& result)
{
    lastTestedGroup = group;
    result = "Tested " + group + " as " + param("user");
    emit writeTest("success", group, result);
    return 0;
}

int TestApp::schoolListParam(const QString& key)
{
    emit writeList("school_list", key, "7", "North (7)", QString());
    emit writeList("other_list", key, "8", "x", QString());
    return 0;
}

void TestApp::defaultSettings(const QDomElement& config)
{
    emit writeSettingIncrement("setting", "connection", "dsn", config.attribute("SISDSN"));
    emit writeSettingIncrement("setting", "school", "school", config.attribute("SchoolNumber"));
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
    return QDir::homePath() + "/Documents/Tamberlyn Software/Logs";
}

QString today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}

QString maskTimes(QString text)
{
    text.replace(QRegularExpression("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}"), "<date>");
    text.replace(QRegularExpression("\\b\\d{2}:\\d{2}:\\d{2}\\b"), "<time>");
    return text;
}
