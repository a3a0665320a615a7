#pragma once
// Running a program as a child process and timing it: what the benchmarks that
// measure whole processes, as a user waits for them, share.
#include <emmintrin.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// The build names the programs and the sample folder; these stand in when a bench
// is compiled on its own.
#ifndef LIROVANE_BATCH_PATH
#define LIROVANE_BATCH_PATH "lirovane-batch"
#endif
#ifndef LIROVANE_SAMPLES_PATH
#define LIROVANE_SAMPLES_PATH "samples"
#endif

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

// The options of the benchmarks that time lirovane-batch on a generated genome or a
// sample: its size, the pictures of the many-pictures case, the rounds, the program,
// the scratch folder's parent and an optional FASTA PATTERNS SIZE sample.
struct BatchBenchOptions {
    std::uint64_t megabytes = 64;
    int pictures = 8000;
    int rounds = 5;
    std::string batch = LIROVANE_BATCH_PATH;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::vector<std::string> sample;

    // Takes the option at argv[i] and its values, moving i past them; false when
    // argv[i] is not one of these options or lacks its values.
    bool Read(int argc, char** argv, int& i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--mb" && hasValue)
            megabytes = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--pictures" && hasValue)
            pictures = std::atoi(argv[++i]);
        else if (arg == "--rounds" && hasValue)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--batch" && hasValue)
            batch = argv[++i];
        else if (arg == "--dir" && hasValue)
            base = argv[++i];
        else if (arg == "--sample" && i + 3 < argc)
            sample = {argv[i + 1], argv[i + 2], argv[i + 3]}, i += 3;
        else
            return false;
        return true;
    }
};

constexpr std::size_t kCountBlock = std::size_t{1} << 20;

// The reference count: SSE2 over 1 MiB blocks read with read(2); blanks are ' ' and
// 9 to 13, byte-wide counts summed with psadbw. The block is page-aligned, or, with
// `heapBlock`, what malloc gives a plain program (16 bytes past a page boundary, where
// the kernel's copy is slower).
inline std::uint64_t CountNonBlankSse2(const char* path, bool heapBlock = false)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    auto* block =
        static_cast<unsigned char*>(heapBlock ? std::malloc(kCountBlock) : std::aligned_alloc(4096, kCountBlock));
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i four = _mm_set1_epi8(4);
    std::uint64_t blank = 0;
    std::uint64_t total = 0;
    ssize_t n = 0;
    while ((n = ::read(fd, block, kCountBlock)) > 0) {
        total += static_cast<std::uint64_t>(n);
        std::size_t i = 0;
        const auto len = static_cast<std::size_t>(n);
        while (i + 16 <= len) {
            __m128i acc = _mm_setzero_si128();
            for (int k = 0; k < 255 && i + 16 <= len; ++k, i += 16) {
                const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
                const __m128i t = _mm_sub_epi8(c, tab);
                const __m128i ctrl = _mm_cmpeq_epi8(_mm_min_epu8(t, four), t);
                acc = _mm_sub_epi8(acc, _mm_or_si128(ctrl, _mm_cmpeq_epi8(c, space)));
            }
            const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
            blank += static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums)) +
                     static_cast<std::uint64_t>(_mm_extract_epi16(sums, 4));
        }
        for (; i < len; ++i)
            blank += block[i] == ' ' || (block[i] >= '\t' && block[i] <= '\r');
    }
    std::free(block);
    ::close(fd);
    return total - blank;
}

} // namespace bench
