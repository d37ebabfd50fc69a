#pragma once

// Running the real program, splitting what it answers, and reading the files it writes.

#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace enginetest {

struct ProgramResult
{
    int code = -1;
    QString out;
    QString err;

    // Lines of standard output without the console log lines.
    QStringList HostLines() const;
    // The host lines of one kind ("school_list", "test", ...).
    QStringList Lines(const QString& kind) const;
    // Messages of the console log lines that begin with the prefix, in order.
    QStringList LogMessages(const QString& prefix) const;
    QStringList ErrLines() const;
};

// A program whose output pipe holds one page: it cannot run far ahead of the test that reads it.
class SmallPipeProcess : public QProcess
{
protected:
    void setupChildProcess() override { fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 4096); }
};

// Waits up to two minutes for the started program; one that does not finish is killed and leaves the
// code -1, one ended by a signal -2. outputRead is what the caller already read of its standard output.
ProgramResult Finished(QProcess& process, const QByteArray& outputRead = QByteArray());

// True when the program was built into this test.
bool HaveProgram();
// The environment of a child: this process's, with the ODBC files of the folder.
QProcessEnvironment OdbcEnvironment(const QString& odbcFolder, const QString& odbcIni);
ProgramResult RunProgram(const QStringList& args, const QProcessEnvironment& env);
// Runs the program through a bash script in which "$@" stands for the program and its arguments
// (a closed output, a pipe, a size limit, another user), in workDir when one is given.
ProgramResult RunThrough(const QString& script, const QStringList& args, const QProcessEnvironment& env,
                         const QString& workDir = QString());

// Runs the program with the preloaded fault library, which stops it before the first statement whose
// text holds sql and makes pauseFile while it waits; act is then called with the process, and the
// program goes on once act returns. paused tells whether the pause came.
ProgramResult RunPausedAtSql(const QStringList& args, QProcessEnvironment env, const QString& sql,
                             const QString& pauseFile, const std::function<void(pid_t)>& act, bool& paused);

// The argument and environment vectors of an execve of the command, with the texts they point to.
class ExecVectors
{
public:
    ExecVectors(const QStringList& command, const QProcessEnvironment& env);
    ExecVectors(const ExecVectors&) = delete;
    ExecVectors& operator=(const ExecVectors&) = delete;
    char* const* Argv() const { return m_argv.data(); }
    char* const* Envp() const { return m_envp.data(); }

private:
    std::vector<std::string> m_args, m_vars;
    std::vector<char*> m_argv, m_envp;
};

// The password as the host sends it: hexadecimal, two digits per character.
QString Encode(const QString& password);

// Every file of the folder: its name, then its text with the level-9 log lines decoded from Base64.
QString AllText(const QString& folder);
// Names of the files of the folder, sorted.
QStringList FileNames(const QString& folder);
QByteArray ReadBytes(const QString& path);
QString ReadText(const QString& path);
// Writes the bytes, making the folders on the way.
void WriteText(const QString& path, const QByteArray& bytes);

// The "Update <time stamp>.PDU" files of the folder, sorted.
QStringList UpdateFiles(const QString& folder);
// The data lines of each section of an update file, sorted, by the section's title.
QMap<QString, QStringList> UpdateSections(const QString& path);
// The text without the lines of the creation, start and end times.
QByteArray WithoutTimeStamps(const QByteArray& text);
// Records that do not keep to their title line, one text per file at fault: in every data file
// that a main file of the folder includes and in every section of its update files, each record
// must hold as many TABs as the titles of its header block minus one, and no CR or LF but its line
// end ("//" lines are notes, not records). Empty when every record is whole.
QStringList BrokenRecords(const QString& folder);
// The status file of the folder with its time stamp masked as "<date>".
QString Status(const QString& folder);
extern const QString kFailedRun;
// Where the status goes when the output folder cannot take it.
QString FallbackFolder();

}  // namespace enginetest
