#pragma once
// Running a program as a child process and timing it: what the benchmarks that
// measure whole processes, as a user waits for them, share.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// Wall time from start to exit, and the CPU time the child used (user + system):
// on a machine shared with other work the CPU time is the steadier figure.
struct ChildRun {
    double seconds = 1e9;
    double cpu = 1e9;
    long peakKiB = 0;

    // Keeps the best of several runs, wall and CPU each.
    void Best(const ChildRun& other)
    {
        seconds = std::min(seconds, other.seconds);
        cpu = std::min(cpu, other.cpu);
    }
};

inline double CpuSeconds(const rusage& usage)
{
    const auto tv = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return tv(usage.ru_utime) + tv(usage.ru_stime);
}

// Runs args[0] with the other arguments, its output discarded, and waits for it.
// A child that cannot start or that fails ends the benchmark.
inline ChildRun Spawn(const std::vector<std::string>& args)
{
    const auto fail = [&](const char* what) {
        std::fprintf(stderr, "bench: %s %s\n", what, args[0].c_str());
        std::exit(1);
    };
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const auto t0 = std::chrono::steady_clock::now();
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        fail("cannot run");
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        fail("lost child");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("failed:");
    return {seconds, CpuSeconds(usage), usage.ru_maxrss};
}

} // namespace bench
