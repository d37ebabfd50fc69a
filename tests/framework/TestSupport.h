#pragma once

// Capture of the host streams, the test application and running the program.

#include "SISConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <ostream>

// Readable QString values in test failures.
inline std::ostream& operator<<(std::ostream& os, const QString& text)
{
    return os << text.toStdString();
}
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Redirects the host streams into temporary files and resets the log.
class Capture
{
public:
    Capture();
    ~Capture();
    QString out();
    QString err();

private:
    FILE* m_out;
    FILE* m_err;
};

// An application declared like the bridge, with overridable answers.
class TestApp : public SISConfig
{
public:
    TestApp();
    int testGroup(const QString& group, QString& result) override;
    int schoolListParam(const QString& key) override;
    void defaultSettings(const QDomElement& config) override;

    int run(const QStringList& args) { return processCommandLine(args); }
    QString lastTestedGroup;
};

// One finished run of the real program.
struct ProgramResult
{
    int code = -1;
    QString out;
    QString err;
};

// Runs the program with the user folders of the tests' temporary home.
ProgramResult runProgram(const QStringList& args);

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
QString documentsLogFolder();
QString today();
// The text with every "hh:mm:ss" and "yyyy/MM/dd hh:mm:ss" time replaced by placeholders.
QString maskTimes(QString text);
