// Sequence files as they are downloaded: gzip and BGZF read as their decompressed text.
#include "core/batch/image_batch.h"
#include "core/sequence/fasta_records.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"
#include "core/settings/app_settings.h"

#include "test_support.h"

// The same .dat file draws the same gallery from the plain file and every compressed
// form gzip and samtools read: members of both kinds, zero padding, no end-of-file
// block (a warning), a name that looks like a URL.
TEST(CompressedInput, GalleriesAreByteIdentical)
{
    ScratchDir dir;
    const fs::path plain = dir / "lambda.fa";
    fs::copy_file(kLambdaFa, plain);
    const std::string text = ReadFile(plain);
    const std::string gz = ReadFile(Compress(plain, dir / "l.gz", "gzip"));
    const std::string bgz = ReadFile(Compress(plain, dir / "l.bgz", "bgzip"));
    const std::string firstHalf =
        ReadFile(Compress(WriteFile(dir / "h1", text.substr(0, 20000)), dir / "h1.bgz", "bgzip"));
    const std::string secondHalf = ReadFile(Compress(WriteFile(dir / "h2", text.substr(20000)), dir / "h2.gz", "gzip"));
    const struct {
        const char* name;
        std::string bytes;
        const char* warning = "";
    } forms[] = {
        {"lambda.fa", text},       {"lambda.fa.gz", gz}, {"lambda.fa.bgz", bgz},
        {"data:lambda.fa.gz", gz}, {"bgzf-then-gzip.fa.gz", firstHalf + secondHalf},
        {"zero-padded.fa.gz", gz + std::string(1000, '\0')}, {"zero-padded.fa.bgz", bgz + std::string(3, '\0')},
        {"no-eof-block.fa.bgz", bgz.substr(0, bgz.size() - 28), "no BGZF end-of-file block"},
    };
    std::map<std::string, std::string> first;
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        const fs::path sequence = WriteFile(dir / form.name, form.bytes);
        const fs::path out = dir / (std::string("out-") + form.name);
        const RunResult batch =
            RunBatch(dir.Path(), {"--sequence", sequence, "--trf", kLambdaDat, "--size", "6", "--out", out});
        auto files = Files(out);
        files.erase("index.htm"); // it names the sequence file
        if (first.empty())
            first = files;
        else
            EXPECT_EQ(files, first);
        // Every mode of the command line reads it, the same warning or none.
        const RunResult view = RunBatch(dir.Path(), {"--view", sequence, "--start", "48000", "--save", dir / "v.bmp"});
        for (const RunResult& run : {view, batch}) {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err.find("warning: " + sequence.string() + ": " + form.warning) != std::string::npos,
                      *form.warning != '\0')
                << run.err;
        }
    }
    EXPECT_EQ(first.size(), 24u + 2u); // the pictures, starts.txt and ends.txt
}

// Letters at any offset are those of a plain scan, with BGZF seeking to remembered virtual
// offsets and gzip reading from the start; what is remembered of a file is forgotten when
// it changes, even at the same size.
TEST(CompressedInput, ViewerLettersMatchThePlainFile)
{
    ScratchDir dir;
    std::string text = Genome(3'000'000);
    const fs::path plain = WriteFile(dir / "g.fa", text);
    const fs::path gz = Compress(plain, dir / "g.fa.gz", "gzip");
    const fs::path bgz = Compress(plain, dir / "g.fa.bgz", "bgzip");
    TokenOffsetIndex none(std::numeric_limits<std::uint64_t>::max());
    TokenOffsetIndex index(100'000);
    for (const std::int64_t offset : {0L, 1L, 65'535L, 65'536L, 1'000'003L, 2'500'000L, 2'999'000L, 4'000'000L}) {
        const std::string expected = ReadSequenceLetters(plain, offset, none).value();
        for (int pass = 0; pass < 2; ++pass) { // the second pass seeks to what the first learnt
            for (const fs::path& file : {plain, bgz, gz}) {
                const IoResult<std::string> letters = ReadSequenceLetters(file, offset, index);
                EXPECT_EQ(letters.Message(), "") << file << " " << offset;
                EXPECT_EQ(letters.value(), expected) << file << " " << offset;
            }
        }
    }
    EXPECT_GT(index.Checkpoints(bgz), 20u);
    EXPECT_EQ(index.Checkpoints(gz), 0u); // gzip cannot seek: nothing to remember
    ASSERT_GT(index.Checkpoints(plain), 20u);
    std::rotate(text.begin(), text.begin() + 1001, text.end());
    WriteFile(plain, text);
    fs::last_write_time(plain, fs::last_write_time(plain) + std::chrono::seconds(5));
    EXPECT_EQ(index.Checkpoints(plain), 0u);
    EXPECT_EQ(ReadSequenceLetters(plain, 2'500'000, index).value(),
              ReadSequenceLetters(plain, 2'500'000, none).value());
}

// A cut or damaged stream is an error naming the file and the offset, never a short text.
TEST(CompressedInput, CorruptAndTruncatedStreams)
{
    ScratchDir dir;
    const fs::path plain = WriteFile(dir / "g.fa", Genome(600'000));
    const std::string gz = ReadFile(Compress(plain, dir / "g.fa.gz", "gzip"));
    const std::string bgz = ReadFile(Compress(plain, dir / "g.fa.bgz", "bgzip"));
    const auto flip = [](std::string bytes, std::size_t at) {
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
        return bytes;
    };
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"half.fa.gz", gz.substr(0, gz.size() / 2), "truncated or unreadable compressed data near byte"},
        {"no-trailer.fa.gz", gz.substr(0, gz.size() - 4), "compressed data near byte"},
        {"flipped.fa.gz", flip(gz, gz.size() / 3), "compressed data near byte"},
        {"half.fa.bgz", bgz.substr(0, bgz.size() / 2), "truncated or unreadable compressed data near byte"},
        {"cut-in-first-block.fa.bgz", bgz.substr(0, 5000), "truncated or unreadable compressed data near byte"},
        {"flipped.fa.bgz", flip(bgz, bgz.size() / 3), "compressed data near byte"},
        {"header-only.gz", gz.substr(0, 12), "truncated or corrupt gzip header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = WriteFile(dir / c.name, c.bytes);
        TokenReader reader;
        if (reader.Open(file))
            reader.Skip(std::numeric_limits<std::uint64_t>::max());
        ASSERT_FALSE(reader.Status());
        EXPECT_EQ(reader.Status().error().file, file);
        EXPECT_NE(reader.Status().error().reason.find(c.message), std::string::npos) << reader.Status().Message();
        // A cut half way says so: the text before it was decoded.
        const bool half = std::string_view(c.name).starts_with("half");
        EXPECT_FALSE(half && reader.Status().Message().find("after byte 0 ") != std::string::npos)
            << reader.Status().Message();

        const auto records = ScanFastaRecords(file);
        ASSERT_FALSE(records);
        EXPECT_EQ(records.error().file, file);

        const RunResult view = RunBatch(dir.Path(), {"--view", file, "--start", "590000", "--save", dir / "v.bmp"});
        EXPECT_EQ(view.status, 1);
        EXPECT_NE(view.err.find(file.string()), std::string::npos) << view.err;

        // The window's batch gives the reader's own reason, not a later guess at one.
        WriteFile(dir / "starts.txt", "590000\r\n");
        WriteFile(dir / "ends.txt", "590100\r\n");
        QuietDisplay display;
        const BatchResult drawn = CreateImages(FirstRun(file.string(), 1), display, dir.Path());
        ASSERT_FALSE(drawn.errors.empty());
        const std::string why = drawn.errors.front().error.Message();
        EXPECT_NE(why.find(file.string() + ": "), std::string::npos) << why;
        EXPECT_TRUE(!drawn.Error(RunItem::Sequence) || why.find(c.message) != std::string::npos) << why;
    }
}

// Compressed binary data is no sequence for the command line wherever it lies (a plain
// file is judged by its first block); the window reads any bytes.
TEST(CompressedInput, BinaryData)
{
    ScratchDir dir;
    std::string binary = Genome(600'000);
    binary[500'000] = '\0';
    const fs::path withNul = WriteFile(dir / "nul.fa", binary);
    for (const fs::path& file : {withNul, Compress(withNul, dir / "nul.fa.gz", "gzip")}) {
        const bool compressed = file.extension() == ".gz";
        const RunResult view = RunBatch(dir.Path(), {"--view", file, "--start", "590000", "--save", dir / "v.bmp"});
        EXPECT_EQ(view.status, compressed ? 1 : 0);
        EXPECT_EQ(view.err.find(file.string() + ": binary data, not a sequence: a NUL byte at byte 500000") !=
                      std::string::npos,
                  compressed)
            << view.err;
        TokenReader window;
        ASSERT_TRUE(window.Open(file));
        EXPECT_EQ(window.Skip(std::numeric_limits<std::uint64_t>::max()), CountTokens(binary.data(), binary.size()));
    }
}
