// Runs a program as a child process: its exit, wall-clock time and peak resident memory.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct ChildRun
{
    bool ok = false;     // exited with 0
    double seconds = 0;  // wall clock
    long peakKb = 0;     // peak resident memory, sampled every 20 ms
};

// args[0] is the program's path; its standard output goes to /dev/null.
inline ChildRun RunChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ChildRun result;
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    // The peak is read from the child's own memory map while it runs, from its exec on: the
    // rusage of wait4 counts this process's memory too, which the child holds until then. The
    // pipe closes on exec.
    int execed[2];
    if (pipe2(execed, O_CLOEXEC) != 0)
        return result;
    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(execed[1]);
    char byte;
    while (child > 0 && read(execed[0], &byte, 1) < 0 && errno == EINTR) {
    }
    close(execed[0]);
    if (child < 0)
        return result;
    int status = 0;
    const std::string statusFile = "/proc/" + std::to_string(child) + "/status";
    for (;;) {
        if (FILE* f = std::fopen(statusFile.c_str(), "r")) {
            char line[256];
            long kb = 0;
            while (std::fgets(line, sizeof line, f)) {
                if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1 && kb > result.peakKb)
                    result.peakKb = kb;
            }
            std::fclose(f);
        }
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0)
            return result;
        usleep(20000);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

}  // namespace bench
