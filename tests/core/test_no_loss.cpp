// Faults a user meets with real files: a full disk, a killed run, two runs in one
// folder, outputs that name inputs, inputs that are not text files. After each, every
// file is compared byte for byte with what was there before.
#include "core/batch/image_batch.h"
#include "core/files/folder_lock.h"
#include "core/files/input_file.h"
#include "core/files/io_error.h"
#include "core/files/output_file.h"
#include "core/render/null_canvas.h"
#include "core/settings/app_settings.h"

#include "test_support.h"

#include <csignal>
#include <thread>

#include <sys/stat.h>

namespace {

// The sample gzip-compressed and cut short: it opens, then fails part way.
fs::path CutSample(const ScratchDir& dir)
{
    const std::string whole = ReadFile(Compress(kLambdaFa, dir / "whole.fa.gz", "gzip"));
    return WriteFile(dir / "cut.fa.gz", whole.substr(0, whole.size() / 2));
}

// The sample's gallery of size 6 into dir/g.
RunResult LambdaGallery(const ScratchDir& dir)
{
    return RunLine(dir, "--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 6 --out @g");
}

} // namespace

// A rewrite that cannot finish (file size limit, the disk full, a sequence that cannot
// be read to its end) leaves every earlier file as it was, and says so.
TEST(NoLoss, AFailedRewriteKeepsTheEarlierGallery)
{
    ScratchDir dir;
    CutSample(dir);
    WriteFile(dir / "long.pat", "100 40000 6\n");
    const struct {
        const char* sizes;
        rlim_t limit; // a file size limit instead of the cut sequence; 0: none
        const char* message;
        const char* patterns = "LAMBDA_PAT";
    } cases[] = {
        {"6", 0, "cannot read the sequence to its end"},
        {"5-6", 0, "no page was replaced"},
        {"5-6", 4096, "File too large"},
        // A drawing too large for memory meets the limit in its temporary file.
        {"6 --format svg", 4096, "temporary file: File too large", "@long.pat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sizes);
        fs::remove_all(dir / "g");
        const std::string rest = std::string(" --patterns ") + c.patterns + " --size " + c.sizes + " --out @g";
        ASSERT_EQ(RunLine(dir, "--sequence LAMBDA_FA" + rest).status, 0);
        const auto before = Files(dir / "g");
        const RunResult run = RunLine(dir, (c.limit ? "--sequence LAMBDA_FA" : "--sequence @cut.fa.gz") + rest, [&] {
            if (c.limit)
                LimitFileSize(c.limit);
        });
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("(0 positions)"), std::string::npos) << run.err; // no length of an unread sequence
        EXPECT_EQ(Files(dir / "g"), before);
    }
}

// Outputs that name an input, by path, through a link or by a hard link: exit 2 and
// not a byte changes anywhere.
TEST(NoLoss, AnOutputThatIsAnInputWritesNothing)
{
    ScratchDir dir;
    const fs::path g = dir / "g";
    ASSERT_EQ(LambdaGallery(dir).status, 0);
    const fs::path seq = dir / "seq.fa";
    fs::copy_file(kLambdaFa, seq);
    fs::create_hard_link(seq, dir / "hard.fa");
    fs::create_symlink(seq, dir / "soft.fa");
    // A sequence whose name passes for a picture name, as --save wants one.
    fs::copy_file(kLambdaFa, dir / "seq.bmp");
    fs::create_hard_link(dir / "seq.bmp", dir / "hard.bmp");
    fs::copy_file(kLambdaDat, dir / "l.dat");
    fs::copy_file(g / "index.htm", dir / "index-copy.htm");
    fs::copy_file(kLambdaFa, g / "1165.png"); // a sequence under a PNG picture's name
    const struct {
        const char* args;
        const char* names; // the clash message names this file
    } cases[] = {
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --write-patterns @seq.fa", "seq.fa"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --write-patterns @hard.fa", "hard.fa"},
        {"--sequence @soft.fa --trf @l.dat --size 6 --out @new --write-patterns @seq.fa", "soft.fa"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --write-patterns @l.dat", "l.dat"},
        {"--sequence @seq.fa --patterns @g/starts.txt --size 6 --out @g", "starts.txt"},
        {"--sequence @g/index.htm --patterns LAMBDA_PAT --size 6 --out @g", "index.htm"},
        {"--sequence @g/1165.bmp --patterns LAMBDA_PAT --size 6 --out @g", "1165.bmp"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @g --write-patterns @g/./starts.txt", "starts.txt"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --table @hard.fa", "hard.fa"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --table @l.dat", "l.dat"},
        {"--sequence @seq.fa --trf @l.dat --size 6,7 --out @g --table @g/size-6/1165.bmp", "1165.bmp"},
        {"--sequence @g/1165.png --patterns LAMBDA_PAT --size 6 --out @g --format png", "1165.png"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --format svg --table @new/1165.svg", "1165.svg"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --summary @t.tsv --write-patterns @t.tsv", "t.tsv"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --table @seq.fa.fai", "seq.fa.fai"},
        {"--sequence @seq.fa --trf @l.dat --size 6 --out @new --summary @t.tsv --table @t.tsv", "t.tsv"},
        {"--view @seq.bmp --save @seq.bmp", "seq.bmp"},
        {"--view @seq.bmp --save @hard.bmp", "hard.bmp"},
    };
    const auto gallery = Files(g);
    const auto inputs = Files(dir.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult run = RunLine(dir, c.args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find("is the same file as"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.names), std::string::npos) << run.err;
        EXPECT_EQ(Files(g), gallery);
        EXPECT_FALSE(fs::exists(dir / "new"));
    }
    EXPECT_EQ(Files(dir.Path()), inputs);
}

// One run per folder: a second fails at once, touches nothing, and the lock itself
// leaves no file behind.
TEST(NoLoss, OneRunPerFolder)
{
    ScratchDir dir;
    const fs::path g = dir / "g";
    ASSERT_EQ(LambdaGallery(dir).status, 0);
    const auto before = Files(g);
    {
        FolderLock held;
        ASSERT_TRUE(held.Acquire(g).ok());
        FolderLock second;
        const IoStatus busy = second.Acquire(g);
        EXPECT_EQ(busy.Message(), g.string() + " is in use by another Lirovane run");
        const RunResult run = LambdaGallery(dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "lirovane-batch: " + g.string() + " is in use by another Lirovane run\n");
        EXPECT_EQ(Files(g), before);
    }
    // Nested folders, in either order: a run holds DIR and every size-N it writes.
    for (const auto& [held, out, sizes] :
         {std::tuple{"nn/size-3", "nn", "2-4"}, std::tuple{"nn/size-3", "nn/size-3", "3"}}) {
        fs::create_directories(dir / "nn" / "size-3");
        FolderLock other;
        ASSERT_TRUE(other.Acquire(dir / held).ok());
        const RunResult run = RunLine(dir, "--sequence LAMBDA_FA --patterns LAMBDA_PAT --size " + std::string(sizes) +
                                               " --out @" + out);
        EXPECT_EQ(run.status, 1) << held << " " << out;
        EXPECT_NE(run.err.find((dir / held).string() + " is in use by another Lirovane run"), std::string::npos);
        EXPECT_TRUE(Files(dir / "nn").empty()) << run.err;
    }
    FolderLock again;
    EXPECT_TRUE(again.Acquire(g).ok());
    again.Release();
    EXPECT_EQ(Files(g), before);

    // Two real runs started together with different sizes: each either draws its own
    // gallery whole or refuses; the page never mixes them.
    for (int round = 0; round < 3; ++round) {
        const fs::path shared = dir / ("shared" + std::to_string(round));
        fs::create_directories(shared);
        std::vector<pid_t> children;
        for (const std::string size : {"2", "12"}) {
            const fs::path log = dir / ("log" + size);
            fs::create_directories(log);
            children.push_back(StartBatch(
                log, {"--sequence", kLambdaFa, "--patterns", kLambdaPat, "--size", size, "--out", shared.string()}));
        }
        int ok = 0;
        for (const pid_t pid : children)
            ok += WaitFor(pid) == 0 ? 1 : 0;
        EXPECT_GE(ok, 1);
        const std::string page = ReadFile(shared / "index.htm");
        const std::string starts = ReadFile(shared / "starts.txt");
        const std::size_t cells = static_cast<std::size_t>(std::count(starts.begin(), starts.end(), '\n'));
        std::size_t pageCells = 0;
        for (std::size_t at = page.find("<td>"); at != std::string::npos; at = page.find("<td>", at + 1))
            ++pageCells;
        EXPECT_EQ(pageCells, cells);
        EXPECT_EQ(page.find("</html>"), page.rfind("</html>"));
    }
}

// Inputs that are not text files are refused with their reason, at once.
TEST(NoLoss, InputsThatAreNotTextFiles)
{
    ScratchDir dir;
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(dir / "s.fa.gz", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8) + "junk");
    WriteFile(dir / "s.bin", std::string("ACGT\0\x01\x02", 7));
    WriteFile(dir / "empty.fa", "");
    WriteFile(dir / "past.pat", "100 120 6\n200 230 6\n");
    WriteFile(dir / "one.pat", "2 9 6\n100 120 6\n");
    WriteFile(dir / "far.pat", "2 2147483647 6\n2147483646 2147483647 6\n");
    WriteFile(dir / "short.fa", "ACGTACGTAC\n");
    WriteFile(dir / "none.pat", "");
    CutSample(dir);
    const struct {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"--view /dev/zero --save @v.bmp", 1, "'/dev/zero': is not a regular file"},
        {"--view @fifo --save @v.bmp", 1, "is not a regular file"},
        {"--view @missing.fa --save @v.bmp", 1, "missing.fa': No such file or directory"},
        {"--view @ --save @v.bmp", 1, "': is a folder, not a file"},
        {"--sequence LAMBDA_FA --patterns @s.fa.gz --size 6 --out @out", 1, "s.fa.gz': is gzip-compressed"},
        {"--sequence LAMBDA_FA --trf @s.fa.gz --size 6 --out @out", 1, "s.fa.gz': is gzip-compressed"},
        {"--sequence @fifo --patterns LAMBDA_PAT --size 6 --out @out", 1, "fifo': is not a regular file"},
        {"--sequence LAMBDA_FA --patterns @fifo --size 6 --out @out", 1, "fifo': is not a regular file"},
        {"--sequence LAMBDA_FA --trf @fifo --size 6 --out @out", 1, "fifo': is not a regular file"},
        {"--sequence /dev/zero --patterns LAMBDA_PAT --size 6 --out @out", 1, "is not a regular file"},
        {"--sequence @s.bin --patterns LAMBDA_PAT --size 6 --out @out", 1, "s.bin': holds binary data (a NUL byte at offset 4)"},
        {"--sequence LAMBDA_FA --patterns @s.bin --size 6 --out @out", 1, "holds binary data"},
        // A sequence that cannot be read to its end, whatever was selected; blamed as such.
        {"--sequence @cut.fa.gz --patterns @none.pat --size 6 --out @out", 1, "cut.fa.gz: truncated"},
        {"--sequence @cut.fa.gz --trf LAMBDA_DAT --size 6 --out @out", 1, "cannot read sequence file '"},
        // Repeats selected, none drawn: a failure, with the reason.
        {"--sequence @empty.fa --patterns LAMBDA_PAT --size 6 --out @out", 1, "none of the 24 selected repeats was drawn"},
        {"--sequence @short.fa --patterns @past.pat --size 6 --out @out", 1, "warning: 2 selected repeats end beyond the end of"},
        {"--sequence @short.fa --patterns @one.pat --size 6 --out @out", 0, "1 selected repeats end beyond the end of"},
        // End indices at the signed 32-bit maximum: counted, not wrapped.
        {"--sequence @short.fa --patterns @far.pat --size 6 --out @out", 1, "1 selected repeats end beyond the end of"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult run = RunLine(dir, c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_NE(RunLine(dir, "--sequence @short.fa --patterns @past.pat --size 6 --out @out").err.find("(10 positions)"),
              std::string::npos);
}

// The writer: a failed write or close keeps the old bytes and says why; a link at
// the name is replaced, never followed; a device is written as it is.
TEST(NoLoss, TheWriterReplacesWholeOrNotAtAll)
{
    ScratchDir dir;
    {
        // /dev/full takes the open and refuses the bytes at the flush or close.
        OutputFile full("/dev/full");
        ASSERT_TRUE(full.IsOpen());
        full.Write("x");
        EXPECT_FALSE(full.Close());
        EXPECT_EQ(full.Status().Message(), "/dev/full: cannot write: No space left on device");
    }
    {
        OutputFile folder(dir.Path());
        EXPECT_FALSE(folder.IsOpen());
        EXPECT_NE(folder.Status().Message().find("Is a directory"), std::string::npos);
    }
    // A file size limit: the staged copy is refused, the old file keeps every byte.
    const fs::path old = WriteFile(dir / "old.txt", "earlier content");
    EXPECT_EQ(InChild([&] {
                  LimitFileSize(1024);
                  OutputFile out(old);
                  out.Write(std::string(4096, 'x'));
                  const bool closed = out.Close().ok();
                  return !closed && out.Status().Message().find("File too large") != std::string::npos ? 0 : 1;
              }),
              0);
    EXPECT_EQ(Files(dir.Path()), (std::map<std::string, std::string>{{"old.txt", "earlier content"}}));

    // Links planted at every name the batch writes: the links are replaced, the files
    // they name keep their bytes.
    const fs::path g = dir / "g";
    fs::create_directories(g);
    const fs::path precious = WriteFile(dir / "precious.txt", "keep me");
    for (const char* name : {"index.htm", "starts.txt", "ends.txt", "1165.bmp"})
        fs::create_symlink(precious, g / name);
    const RunResult run = LambdaGallery(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(precious), "keep me");
    for (const char* name : {"index.htm", "starts.txt", "ends.txt", "1165.bmp"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(g / name))) << name;
    EXPECT_TRUE(ReadFile(g / "1165.bmp").starts_with("BM"));
    // A link planted at a size folder is not followed out of the output folder.
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", g / "size-6");
    const RunResult sizes = RunLine(dir, "--sequence LAMBDA_FA --patterns LAMBDA_PAT --size 5-6 --out @g");
    EXPECT_EQ(sizes.status, 1);
    EXPECT_NE(sizes.err.find("size-6: is a symbolic link"), std::string::npos) << sizes.err;
    EXPECT_TRUE(fs::is_empty(dir / "outside"));
}

// A run killed at its n-th picture leaves the earlier page whole and its finished
// pictures; the next run clears the staged files it left and ends as a clean run.
TEST(NoLoss, AKilledRunLeavesNoPartialPage)
{
    ScratchDir dir;
    const fs::path g = dir / "g";
    ASSERT_EQ(LambdaGallery(dir).status, 0);
    const auto before = Files(g);

    class KillAt final : public BatchDisplay {
    public:
        explicit KillAt(int n) : m_n(n) {}
        Canvas& Surface() override { return m_surface; }
        void Progress(int pictures, int) override
        {
            if (pictures == m_n)
                ::raise(SIGKILL);
        }
        void Navigate(const std::string&) override {}

    private:
        int m_n;
        NullCanvas m_surface{400, 200};
    };
    for (const int n : {1, 7, 24}) {
        SCOPED_TRACE(n);
        WriteFile(g / ".index.htm.lirovane-1234-5.part", "<html><body>half"); // as a killed run leaves it
        ASSERT_EQ(InChild([&] {
                      KillAt display(n);
                      const AppSettings settings = FirstRun(kLambdaFa, 24, 6);
                      static_cast<void>(CreateImages(settings, display, g));
                      return 0;
                  }),
                  128 + SIGKILL);
        // Every file that passes for an output is the earlier one, byte for byte.
        for (const auto& [name, bytes] : Files(g)) {
            if (name.starts_with("."))
                continue;
            EXPECT_EQ(bytes, before.at(name)) << name;
        }
        // The next run into g clears what killed runs staged there, in any size folder too,
        // and nothing that this program did not stage.
        const char* users[] = {".notes.2024-1.part", ".genome.20240101-2.part", "index.htm.lirovane-1-2.part",
                               ".x.lirovane-1-.part", ".notes.lirovane-1-2.part"};
        for (const char* name : users)
            WriteFile(g / name, "mine");
        fs::create_directories(g / "size-9");
        WriteFile(g / "size-9" / ".index.htm.lirovane-77-1.part", "half");
        ASSERT_EQ(LambdaGallery(dir).status, 0);
        auto after = Files(g);
        for (const char* name : users)
            EXPECT_EQ(after.erase(name), 1u) << name;
        EXPECT_EQ(after, before);
        for (const char* name : users)
            fs::remove(g / name);
        fs::remove_all(g / "size-9");
    }
}

// SIGINT and SIGTERM: staged files go, finished pictures stay, a line says what was
// done, and the status names the signal.
TEST(NoLoss, InterruptedRunsStopCleanly)
{
    ScratchDir dir;
    // A sequence with many repeats, so that the run is still drawing when the signal comes.
    std::string sequence;
    std::string patterns;
    for (int i = 0; i < 4000; ++i) {
        sequence += "ACGTTGCAACGGTACCATGCAGTCAGTTACGATCGG\n";
        patterns += std::to_string(i * 36 + 1) + " " + std::to_string(i * 36 + 30) + " 6\n";
    }
    const fs::path seq = WriteFile(dir / "s.fa", sequence);
    const fs::path pat = WriteFile(dir / "s.pat", patterns);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const fs::path out = dir / ("out" + std::to_string(signal));
        const fs::path log = dir / ("log" + std::to_string(signal));
        fs::create_directories(log);
        const fs::path err = log / "stderr.txt";
        const pid_t pid = StartBatch(log, {"--sequence", seq, "--patterns", pat, "--size", "6", "--out", out.string()});
        // Wait for the first pictures, then interrupt.
        for (int i = 0; i < 2000 && ReadFile(err).find(" pictures") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(pid, signal);
        const int status = WaitFor(pid);
        const std::string message = ReadFile(err);
        if (status == 0)
            continue; // the run finished before the signal came: nothing to check
        EXPECT_EQ(status, 128 + signal) << message;
        EXPECT_NE(message.find(signal == SIGINT ? "stopped by SIGINT after" : "stopped by SIGTERM after"),
                  std::string::npos)
            << message;
        EXPECT_FALSE(fs::exists(out / "index.htm"));
        for (const auto& [name, bytes] : Files(out)) {
            EXPECT_FALSE(name.starts_with(".")) << name;
            if (name.ends_with(".bmp")) {
                EXPECT_TRUE(bytes.starts_with("BM")) << name;
            }
        }
    }
}
