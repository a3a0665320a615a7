#include "core/batch/overview.h"

#include "core/batch/gallery_page.h"
#include "core/batch/image_batch.h"
#include "core/batch/picture_writer.h"
#include "core/batch/stretch_letters.h"
#include "core/files/folder_lock.h"
#include "core/files/output_file.h"
#include "core/files/safe_name.h"
#include "core/sequence/fasta_records.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace lirovane {

void RecordWalk::Note(const BlockMoves& m, std::size_t offset, std::int64_t atX, std::int64_t atY)
{
    WalkBounds& b = m_bounds;
    const std::int64_t reached[4] = {atX + m.minX, atX + m.maxX, atY + m.minY, atY + m.maxY};
    const bool beyond[4] = {reached[0]<b.minX, reached[1]> b.maxX, reached[2]<b.minY, reached[3]> b.maxY};
    for (std::size_t e = 0; e < 4; ++e)
        if (beyond[e])
            m_pending[e] = Pending{true, offset, atX, atY, reached[e]};
    b.Extend(m, atX, atY);
}

void RecordWalk::Add(std::string_view piece, std::uint64_t tokens)
{
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t i = ScanExtremes(m_kernel, p, piece.size(), m_bounds,
                                       [this](const BlockMoves& m, std::size_t offset, std::int64_t atX,
                                              std::int64_t atY) { Note(m, offset, atX, atY); });
    const BlockMoves rest = m_kernel.WalkBytes(p + i, piece.size() - i);
    Note(rest, i, m_bounds.x, m_bounds.y);
    m_bounds.x += rest.dx;
    m_bounds.y += rest.dy;
    Resolve(piece, tokens);
}

void RecordWalk::Append(const RecordWalk& next)
{
    WalkBounds& b = m_bounds;
    const WalkBounds& n = next.m_bounds;
    // An extreme the next walk goes past is first reached there; one it only meets was
    // reached before.
    const std::int64_t reached[4] = {b.x + n.minX, b.x + n.maxX, b.y + n.minY, b.y + n.maxY};
    const bool beyond[4] = {reached[0]<b.minX, reached[1]> b.maxX, reached[2]<b.minY, reached[3]> b.maxY};
    for (std::size_t e = 0; e < 4; ++e)
        if (beyond[e])
            m_first[e] = m_bases + next.m_first[e];
    b.Append(n);
    m_bases += next.m_bases;
}

void RecordWalk::Resolve(std::string_view piece, std::uint64_t tokens)
{
    // Only the last block that passed each extreme matters: the extreme is first
    // reached there. Bases before each such block are counted back from the piece's
    // end, where the latest extremes usually lie, once over the bytes after the first.
    std::array<std::size_t, 4> order{0, 1, 2, 3};
    std::sort(order.begin(), order.end(),
              [this](std::size_t a, std::size_t b) { return m_pending[a].offset > m_pending[b].offset; });
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    std::size_t counted = piece.size();
    std::uint64_t after = 0; // tokens from `counted` to the end
    for (const std::size_t e : order) {
        Pending& at = m_pending[e];
        if (!at.set)
            continue;
        after += CountTokens(piece.data() + at.offset, counted - at.offset);
        counted = at.offset;
        std::int64_t x = at.x, y = at.y;
        std::uint64_t bases = m_bases + tokens - after;
        for (std::size_t j = at.offset; j < piece.size(); ++j) {
            bases += IsBlank(p[j]) ? 0u : 1u;
            x += m_kernel.StepX(p[j]);
            y += m_kernel.StepY(p[j]);
            if ((e < 2 ? x : y) == at.value)
                break;
        }
        m_first[e] = bases;
        at.set = false;
    }
    m_bases += tokens;
}

namespace {

// "record\tlength\tx\ty\tmin_x_base\tmax_x_base\tmin_y_base\tmax_y_base", y up.
std::string WalkRow(std::string_view name, const RecordWalk& walk)
{
    const WalkBounds& b = walk.Bounds();
    const auto& first = walk.FirstReach();
    std::string row(name);
    // Appended piece by piece: GCC 12 warns about `"\t" + string`.
    for (const std::int64_t v : {static_cast<std::int64_t>(walk.Bases()), b.x, -b.y})
        row.append(1, '\t').append(std::to_string(v));
    // y up: its minimum is where y down is largest, and the other way round.
    for (const std::uint64_t base : {first[0], first[1], first[3], first[2]})
        row.append(1, '\t').append(std::to_string(base));
    return row.append(1, '\n');
}

// Records are independent: two are drawn side by side where two processors can.
std::size_t Drawers()
{
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2);
}

// The overview's pictures, page and table as the records are walked.
class OverviewOutputs {
public:
    OverviewOutputs(const OverviewRequest& request, const std::vector<FastaRecord>& records, OverviewReport& report)
        : m_request(request), m_report(report), m_writer(request.style, true, 0, request.svgResolution, Drawers()),
          m_page(request.folder / "index.htm", request.sequenceFile,
                 {std::string(kOverviewLine), "Number of records: " + std::to_string(records.size())}),
          m_table(request.folder / "walk.tsv")
    {
        // Names as feature pictures have them: safe, and unique ignoring case.
        UniqueNames unique;
        m_files.reserve(records.size());
        for (const FastaRecord& record : records)
            m_files.push_back(unique.Take(SafeFileName(RecordName(record))));
        m_table.Write("record\tlength\tx\ty\tmin_x_base\tmax_x_base\tmin_y_base\tmax_y_base\n");
    }

    // One record walked: its row, its cell, and its picture handed to the writer.
    void Add(const FastaRecord& record, std::size_t index, const RecordWalk& walk, std::unique_ptr<LetterSource> text)
    {
        const std::string name(RecordName(record));
        m_table.Write(WalkRow(name, walk));
        const std::string fileName = m_files[index] + "." + std::string(PictureFormatName(m_request.format));
        m_page.AddCell(fileName, std::string_view(name));
        PictureJob job{
            m_request.folder / fileName, {}, std::move(text), record.bases, &m_report.unwritten, m_request.format, {}};
        if (m_request.format == PictureFormat::Svg)
            job.title = "Sequence file: " + m_request.sequenceFile + ", positions " +
                        std::to_string(record.tokensBefore + 1) + " to " +
                        std::to_string(record.tokensBefore + record.bases + 1);
        m_writer.Add(std::move(job));
        ++m_report.pictures;
    }

    void Finish()
    {
        m_writer.Finish();
        m_report.page = m_page.Close();
        m_report.table = m_table.Close();
    }
    void Abandon()
    {
        m_writer.Finish();
        m_page.Discard();
        m_table.Discard();
    }

private:
    const OverviewRequest& m_request;
    OverviewReport& m_report;
    PictureWriter m_writer;
    GalleryPage m_page;
    OutputFile m_table;
    std::vector<std::string> m_files;
};

// Walks `n` tokens of text from `reader` into `walk`, a piece at a time, on this thread;
// returns the bytes of text walked. Stops early once `stop` is set.
std::uint64_t WalkText(TokenReader& reader, std::uint64_t n, RecordWalk& walk, const std::atomic<bool>& stop)
{
    std::uint64_t bytes = 0;
    std::uint64_t tokens = 0;
    for (std::string_view text; n > 0 && !stop && !(text = reader.ReadText(n, tokens)).empty(); n -= tokens) {
        walk.Add(text, tokens);
        bytes += text.size();
    }
    return bytes;
}

// Walks a long record of a plain file in two halves at once, the second with a reader
// of its own on a second thread, and joins the walks: the reading is shared between
// two cores. The stretch it hands out knows the walk at the half, so that it is drawn
// in two parts at once too. Nothing when the second half cannot be had that way (the
// caller walks the record whole) or, with `stopped` set, when `stop` ended the walk.
std::unique_ptr<LetterSource> WalkHalves(TokenReader& reader, const OverviewRequest& request,
                                         const std::filesystem::path& file, const FastaRecord& record, RecordWalk& walk,
                                         bool& stopped)
{
    const std::uint64_t half = record.bases / 2;
    TokenReader second;
    if (!second.Open(file) || TokenOffsetIndex::Global().SkipFromStart(second, file, record.tokensBefore + half) !=
                                  record.tokensBefore + half)
        return nullptr;
    const SourcePoint start = reader.Position();
    std::atomic<bool> stop = false;
    RecordWalk secondWalk(request.style.letters);
    std::uint64_t secondBytes = 0;
    // The drawing's second part starts a little into this second half: it also keeps
    // its pen moves and draws them last, so a shorter part ends with the first.
    const std::uint64_t lead = (record.bases - half) / 8;
    std::uint64_t leadBytes = 0;
    WalkBounds leadEnd;
    std::thread thread;
    try {
        thread = std::thread([&] {
            leadBytes = WalkText(second, lead, secondWalk, stop);
            leadEnd = secondWalk.Bounds();
            secondBytes = leadBytes + WalkText(second, record.bases - half - lead, secondWalk, stop);
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    // The first half, a few pieces at a time between asking whether to stop.
    std::uint64_t firstBytes = 0;
    for (std::uint64_t left = half; left > 0 && !stopped;) {
        const std::uint64_t some = std::min<std::uint64_t>(left, std::uint64_t{4} << 20);
        const std::uint64_t before = walk.Bases();
        firstBytes += WalkText(reader, some, walk, stop);
        if (walk.Bases() - before < some)
            break; // the reader failed: it says why
        left -= some;
        stopped = request.stop && request.stop();
    }
    stop = stopped || walk.Bases() != half; // the second half is wanted no more
    thread.join();
    if (stopped)
        return nullptr;
    if (walk.Bases() != half)
        return nullptr; // the reader says why
    const WalkBounds middle = walk.Bounds();
    auto stretch = std::make_unique<SequenceStretch>(file, start, record.tokensBefore, record.bases);
    if (secondWalk.Bases() == record.bases - half && reader.Seek(second.Position(), second.Consumed())) {
        walk.Append(secondWalk);
        stretch->SetKnownMiddle({firstBytes + leadBytes, half + lead, middle.x + leadEnd.x, middle.y + leadEnd.y});
    } else {
        // The reader walks on through the second half, and finds what went wrong there.
        const std::atomic<bool> never = false;
        secondBytes = WalkText(reader, record.bases - half, walk, never);
        if (walk.Bases() != record.bases)
            return nullptr;
    }
    stretch->SetKnownBounds(walk.Bounds());
    stretch->SetKnownBytes(firstBytes + secondBytes);
    return stretch;
}

// Walks one record from where `reader` stands, handing out its text for the drawing:
// read again from the file when it can seek, else from a temporary copy.
// Nothing, with `stopped` set, when the request's `stop` ended the walk.
std::unique_ptr<LetterSource> WalkRecord(TokenReader& reader, const OverviewRequest& request,
                                         const std::filesystem::path& file, const FastaRecord& record, RecordWalk& walk,
                                         bool& stopped)
{
    if (reader.CanSeek() && !reader.Compressed() && record.bases >= std::max<std::uint64_t>(request.partsFrom, 2)) {
        std::unique_ptr<LetterSource> halves = WalkHalves(reader, request, file, record, walk, stopped);
        // Unless it could not start, the record was walked (or failed, or was stopped) in halves.
        if (halves || stopped || walk.Bases() > 0 || !reader.Status().ok())
            return halves;
    }
    std::unique_ptr<SpilledStretch> spill = reader.CanSeek() ? nullptr : SpilledStretch::Create();
    // The drawing is told the walk's extremes, so it reads the record once more only.
    const SourcePoint start = reader.Position();
    std::uint64_t bytes = 0;
    TakeText(reader, record.bases, [&](std::string_view text, std::uint64_t tokens) {
        if (request.stop && request.stop()) {
            stopped = true;
            return false;
        }
        walk.Add(text, tokens);
        bytes += text.size();
        if (spill)
            spill->Append(text);
        return true;
    });
    if (stopped)
        return nullptr;
    if (!reader.CanSeek()) {
        if (spill)
            spill->SetKnownBounds(walk.Bounds());
        return spill;
    }
    auto stretch = std::make_unique<SequenceStretch>(file, start, record.tokensBefore, record.bases);
    stretch->SetKnownBounds(walk.Bounds());
    stretch->SetKnownBytes(bytes);
    return stretch;
}

} // namespace

OverviewReport RunOverview(const OverviewRequest& request, const OverviewProgress& progress)
{
    OverviewReport report;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(request.sequenceFile, ec);
    const std::filesystem::path file = ec ? std::filesystem::path(request.sequenceFile) : absolute;
    IoResult<std::vector<FastaRecord>> records = TokenOffsetIndex::Global().Records(file);
    if (!records) {
        report.sequence = records;
        return report;
    }
    report.records = records->size();
    std::filesystem::create_directories(request.folder, ec); // a folder that cannot be made fails the writes
    TokenReader reader;
    if (report.sequence = reader.Open(file, SourceOptions{kBatchDecompressThreads}); !report.sequence)
        return report;
    OverviewOutputs outputs(request, *records, report);
    if (progress)
        progress(0, records->size());
    for (std::size_t i = 0; i < records->size(); ++i) {
        const FastaRecord& record = (*records)[i];
        reader.Skip(record.tokensBefore - std::min(record.tokensBefore, reader.Consumed()));
        RecordWalk walk(request.style.letters);
        bool stopped = false;
        std::unique_ptr<LetterSource> text = WalkRecord(reader, request, file, record, walk, stopped);
        if (stopped) {
            report.stopped = true;
            outputs.Abandon();
            return report;
        }
        if (!reader.Status().ok() || walk.Bases() != record.bases || text == nullptr) {
            // The file changed or cannot be read: no page that lists what is missing.
            report.sequence = reader.Status().ok()
                                  ? IoStatus(IoError::Content(file, 0, "the file changed while it was read"))
                                  : reader.Status();
            outputs.Abandon();
            return report;
        }
        outputs.Add(record, i, walk, std::move(text));
        if (progress)
            progress(i + 1, records->size());
    }
    outputs.Finish();
    return report;
}

OverviewReport RunOverview(OverviewRequest request, BatchDisplay& display)
{
    OverviewReport report;
    std::error_code ec;
    std::filesystem::create_directories(request.folder, ec); // a failure shows at the lock
    FolderLock lock;
    if (report.folder = lock.Acquire(request.folder); !report.folder)
        return report;
    ShowWaitDisplay(display);
    request.stop = [&display] { return display.StopRequested(); };
    report = RunOverview(request, [&display](std::size_t done, std::size_t total) {
        ShowProgress(display, static_cast<int>(done), static_cast<int>(total));
    });
    if (!report.stopped && report.page.ok() && report.sequence.ok())
        display.Navigate(FileUrl(std::filesystem::absolute(request.folder / "index.htm", ec).lexically_normal()));
    return report;
}

} // namespace lirovane
