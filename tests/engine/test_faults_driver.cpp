// Faults inside the process while it talks to the data source: a crash must not leave a core file,
// which would hold the data source's password.
#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QDir>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

using namespace enginetest;

namespace {

// Starts the command in the folder with core files allowed and every output to /dev/null; returns
// once the command runs (the pipe closes on its exec).
pid_t StartWithCores(const QStringList& command, const QString& folder, const QProcessEnvironment& env)
{
    const ExecVectors exec(command, env);
    const std::string where = folder.toStdString();
    int started[2];
    if (pipe2(started, O_CLOEXEC) != 0)
        return -1;

    const pid_t pid = fork();
    if (pid == 0) {
        close(started[0]);
        rlimit limit{};
        getrlimit(RLIMIT_CORE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_CORE, &limit);
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || chdir(where.c_str()) != 0)
            _exit(127);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execve(exec.Argv()[0], exec.Argv(), exec.Envp());
        _exit(127);
    }
    close(started[1]);
    char byte;
    while (pid > 0 && read(started[0], &byte, 1) < 0 && errno == EINTR) {
    }
    close(started[0]);
    return pid;
}

// Ends the process as a crash does; true when the kernel wrote a core for it. SIGQUIT: a run's
// crash guard ends a run on SIGSEGV itself, and leaves this one to the kernel.
bool CrashLeavesCore(pid_t pid)
{
    kill(pid, SIGQUIT);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFSIGNALED(status) && WCOREDUMP(status);
}

void RemoveCores(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QStringList{"core*"}, QDir::Files))
        dir.remove(name);
}

// A server that takes connections and never answers: a program that connects to it waits there,
// holding the password it logs in with.
class SilentServer
{
public:
    SilentServer()
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd_, 4) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer()
    {
        if (client_ >= 0)
            close(client_);
        if (fd_ >= 0)
            close(fd_);
    }
    int Port() const { return port_; }
    // Waits for the first connection; false after the time-out.
    bool Accept(int milliseconds)
    {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, milliseconds) != 1)
            return false;
        client_ = accept(fd_, nullptr, nullptr);
        return client_ >= 0;
    }

private:
    int fd_ = -1;
    int client_ = -1;
    int port_ = 0;
};

TEST(DriverFaults, ACrashWhileConnectingLeavesNoCoreFile)
{
    ASSERT_TRUE(HaveProgram());
#ifdef VARNHOLM_BIN
    const QString folder = NewFolder("driver-core");
    const QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();

    // Whether this machine writes core files at all: a plain process that crashes leaves one.
    const pid_t control = StartWithCores({"/bin/sleep", "30"}, folder, plain);
    ASSERT_GT(control, 0);
    const bool coresWritten = CrashLeavesCore(control);
    RemoveCores(folder);
    if (!coresWritten)
        GTEST_SKIP() << "no core files on this machine (core size limit or pattern)";

    SilentServer server;
    ASSERT_GT(server.Port(), 0);
    WriteText(folder + "/odbc.ini", QString("[vh_silent]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\n"
                                            "Port=%1\nDatabase=school\n")
                                        .arg(server.Port())
                                        .toUtf8());
    const QProcessEnvironment env = OdbcEnvironment(VH_TESTDATA_DIR, folder + "/odbc.ini");
    const pid_t pid = StartWithCores({VARNHOLM_BIN, "run", "--att", "--school=100", "--dsn=vh_silent",
                                      "--user=u", "--pwdencode=" + Encode("core-secret-pw"),
                                      "--path=" + folder + "/out"},
                                     folder, env);
    ASSERT_GT(pid, 0);
    if (!server.Accept(120000)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "the program did not connect";
    }
    EXPECT_FALSE(CrashLeavesCore(pid));
    EXPECT_TRUE(QDir(folder).entryList(QStringList{"core*"}, QDir::Files).isEmpty());
    RemoveCores(folder);
#endif
}

}  // namespace
