// Peak memory of lirovane-batch for one long stretch against one short one, measured
// as whole processes in one run. The pictures' own pixels may grow with the stretch
// (up to the picture size limit); anything beyond that difference is memory the
// stretch itself takes. Target: the difference in peak memory is at most the
// difference in picture bytes plus 16 MB.
// Usage: bench_memory [--large-mb N] [--batch PATH] [--compress gzip|bgzip]
//   --large-mb: the long stretch (default 1024: a 1 GB stretch against 1 MB);
//   --batch: the lirovane-batch to measure (default the one built with this bench);
//   --compress: the sequence file compressed with that tool (a plain gzip stream is
//   kept in a temporary file while read, BGZF is read again from its virtual offsets).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A sequence of `bytes` letters on 80-letter lines, one repeat over all of it.
void WriteStretch(const fs::path& dir, std::uint64_t bytes)
{
    std::ofstream seq(dir / "s.fa", std::ios::binary);
    std::string line;
    for (int i = 0; i < 80; ++i)
        line += "ACGTTGCA"[(i * 7 + i / 3) % 8];
    line += '\n';
    std::uint64_t letters = 0;
    while (letters < bytes) {
        seq.write(line.data(), static_cast<std::streamsize>(line.size()));
        letters += 80;
    }
    std::ofstream(dir / "s.pat") << "1 " << letters << " 6\n";
}

// s.fa compressed in place by `tool` (gzip or bgzip), keeping the name.
bool Compress(const fs::path& dir, const std::string& tool)
{
    const std::string seq = (dir / "s.fa").string();
    const std::string command = tool + " -c '" + seq + "' > '" + seq + ".z' && mv '" + seq + ".z' '" + seq + "'";
    return std::system(command.c_str()) == 0;
}

// Peak resident memory of one batch run, in bytes; the picture's size in bytes.
bool RunBatch(const char* batch, const fs::path& dir, long& peak, std::uintmax_t& picture)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        const std::string seq = (dir / "s.fa").string(), pat = (dir / "s.pat").string(), out = (dir / "g").string();
        ::execl(batch, batch, "--sequence", seq.c_str(), "--patterns", pat.c_str(), "--size", "6", "--out", out.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    peak = usage.ru_maxrss * 1024L;
    std::error_code ec;
    picture = fs::file_size(dir / "g" / "1.bmp", ec);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !ec;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t largeMb = 1024;
    const char* batch = LIROVANE_BATCH_PATH;
    std::string compress;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--large-mb") == 0)
            largeMb = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--batch") == 0)
            batch = argv[i + 1];
        else if (std::strcmp(argv[i], "--compress") == 0)
            compress = argv[i + 1];
    }
    const fs::path root = fs::temp_directory_path() / ("lirovane-bench-memory-" + std::to_string(::getpid()));
    long peaks[2] = {};
    std::uintmax_t pictures[2] = {};
    const std::uint64_t sizes[2] = {std::uint64_t{1} << 20, largeMb << 20};
    for (int i = 0; i < 2; ++i) {
        const fs::path dir = root / std::to_string(i);
        fs::create_directories(dir);
        WriteStretch(dir, sizes[i]);
        if ((!compress.empty() && !Compress(dir, compress)) || !RunBatch(batch, dir, peaks[i], pictures[i])) {
            std::fprintf(stderr, "bench_memory: the batch failed for %llu bytes\n",
                         static_cast<unsigned long long>(sizes[i]));
            fs::remove_all(root);
            return 1;
        }
        fs::remove_all(dir);
    }
    fs::remove_all(root);
    const double mb = 1024.0 * 1024.0;
    const double grown = static_cast<double>(peaks[1] - peaks[0]) / mb;
    const double allowed = (static_cast<double>(pictures[1]) - static_cast<double>(pictures[0])) / mb + 16.0;
    std::printf("batch: %s%s%s\n", batch, compress.empty() ? "" : ", sequence compressed with ", compress.c_str());
    std::printf("peak memory: 1 MB stretch %.1f MB, %llu MB stretch %.1f MB; pictures %.1f MB and %.1f MB\n",
                static_cast<double>(peaks[0]) / mb, static_cast<unsigned long long>(largeMb),
                static_cast<double>(peaks[1]) / mb, static_cast<double>(pictures[0]) / mb,
                static_cast<double>(pictures[1]) / mb);
    std::printf("growth %.1f MB against %.1f MB allowed (picture growth + 16 MB): ratio %.2f, %s\n", grown, allowed,
                grown / allowed, grown <= allowed ? "within target" : "over target");
    return 0;
}
