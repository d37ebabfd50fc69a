#pragma once

// Running the real program and splitting what it answers.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs the real program and splits what it answers.
namespace enginetest {

struct ProgramResult
{
    int code = -1;
    QString out;
    QString err;

    // Lines of standard output without the console log lines.
    QStringList HostLines() const;
    // Messages of the console log lines that begin with the prefix, in order.
    QStringList LogMessages(const QString& prefix) const;
    QStringList ErrLines() const;
};

// True when the program was built into this test.
bool HaveProgram();
// The environment of a child: this process's, with the ODBC files of the folder.
QProcessEnvironment OdbcEnvironment(const QString& odbcFolder, const QString& odbcIni);
ProgramResult RunProgram(const QStringList& args, const QProcessEnvironment& env);
// Runs the program through a bash script in which "$@" stands for the program and its arguments
// (a closed output, a pipe, a size limit, another user), in workDir when one is given.
ProgramResult RunThrough(const QString& script, const QStringList& args, const QProcessEnvironment& env,
                         const QString& workDir = QString());

// The password as the host sends it: hexadecimal, two digits per character.
QString Encode(const QString& password);

// Every file of the folder as text, with the level-9 log lines decoded from Base64.
QString AllText(const QString& folder);
// Names of the files of the folder, sorted.
QStringList FileNames(const QString& folder);
QString ReadText(const QString& path);

}  // namespace enginetest
