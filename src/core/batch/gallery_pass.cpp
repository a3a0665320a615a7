#include "core/batch/gallery_pass.h"

#include "core/batch/gallery_page.h"
#include "core/batch/picture_writer.h"
#include "core/batch/stretch_letters.h"
#include "core/files/input_file.h"
#include "core/files/output_file.h"
#include "core/intervals/position_list.h"
#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace lirovane {

namespace {

constexpr const char* kPageName = "index.htm";

// Every gallery keeps its page open while the sequence is read: galleries beyond this
// many are drawn in further reads, so that a long size list stays within the open-file limit.
constexpr std::size_t kGalleriesPerRead = 200;

// A position where a gallery's stretch starts, ends, or both.
struct StretchEvent {
    std::int64_t position = 0;
    std::uint32_t gallery = 0;
    bool isStart = false;
    bool isEnd = false;
};

// The events of one gallery in ascending positions: the union of its two sorted lists.
void AddEvents(const PositionList& starts, const PositionList& ends, std::uint32_t gallery,
               std::vector<StretchEvent>& events)
{
    const std::vector<std::int64_t>& s = starts.Sorted();
    const std::vector<std::int64_t>& e = ends.Sorted();
    // Tokens are numbered from 1: nothing at or below 0 can ever match.
    auto i = static_cast<std::size_t>(std::upper_bound(s.begin(), s.end(), std::int64_t{0}) - s.begin());
    auto j = static_cast<std::size_t>(std::upper_bound(e.begin(), e.end(), std::int64_t{0}) - e.begin());
    while (i < s.size() || j < e.size()) {
        const std::int64_t position = j == e.size() || (i < s.size() && s[i] <= e[j]) ? s[i] : e[j];
        StretchEvent event{position, gallery, i < s.size() && s[i] == position, j < e.size() && e[j] == position};
        i += event.isStart ? 1 : 0;
        j += event.isEnd ? 1 : 0;
        events.push_back(event);
    }
}

// How a gallery keeps its stretches: in memory up to `inMemory` letters; a longer one
// is read again from the sequence file when it can seek, else kept in a temporary file.
// A stretch read again from the file is measured as it goes by, so that it is read
// only once more, to be drawn, under `kernel` (the walk of the pass's style).
struct StretchKeeping {
    std::size_t inMemory = kStretchInMemory;
    bool seekable = false;
    bool plain = false; // the reader's points are byte offsets: a stretch's ends give its bytes
    const WalkKernel* kernel = nullptr;
    std::uint64_t partsFrom = kDrawInPartsFrom;
};

// One gallery while the sequence is read: the stretch it collects and its page.
class GalleryState {
public:
    GalleryState(const AppSettings& settings, const GallerySelection& selection, BatchResult& result,
                 std::vector<IoError>& unwritten, const StretchKeeping& keeping)
        : m_dir(selection.dir), m_format(selection.format), m_sequenceFile(settings.sequenceFile), m_result(result),
          m_unwritten(unwritten),
          m_page(selection.dir / kPageName, settings.sequenceFile, selection.size, selection.count), m_keeping(keeping)
    {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(m_dir, ec);
        m_result.page = ((ec ? m_dir : absolute) / kPageName).lexically_normal();
        // Long stretches are read again, perhaps on another thread: from the same file
        // whatever the working folder is by then.
        const std::filesystem::path sequence = std::filesystem::absolute(m_sequenceFile, ec);
        m_sequencePath = ec ? std::filesystem::path(m_sequenceFile) : sequence;
        // A list that cannot be read, or stops at a bad token, gives what it holds.
        for (const auto& [name, list] : {std::pair{"starts.txt", &m_starts}, std::pair{"ends.txt", &m_ends}})
            if (IoStatus loaded = LoadPositionList(m_dir / name, *list); !loaded)
                m_result.errors.push_back({RunItem::Positions, loaded.error()});
    }

    const PositionList& Starts() const { return m_starts; }
    const PositionList& Ends() const { return m_ends; }
    // Whether the open stretch takes the tokens read: a stretch read again later from
    // the sequence file needs none of them.
    bool Collecting() const { return m_collecting && m_keep != Keep::FromSequence; }
    // Whether the open stretch is only measured: it is read again to be drawn.
    bool Measuring() const { return m_collecting && m_keep == Keep::FromSequence; }
    std::string& Stretch() { return m_stretch; }
    // Takes the text of tokens that a measured stretch passes over.
    void Measure(std::string_view text) { m_bounds.Add(text, *m_keeping.kernel); }
    // The same for text as it stands in a plain file, `offset` bytes into it, after
    // `tokens` tokens: the walk's position at the first such text past half the
    // stretch is noted, so that the stretch can be drawn in two parts at once.
    void Measure(std::string_view text, std::uint64_t offset, std::uint64_t tokens)
    {
        if (tokens >= static_cast<std::uint64_t>(m_current - 1) + m_length / 2)
            NoteMiddle(offset, tokens);
        Measure(text);
    }
    // Notes the walk as it stands `offset` bytes into a plain file, after `tokens`
    // tokens, (dx, dy) on from where it stands now, unless a point was noted already.
    void NoteMiddle(std::uint64_t offset, std::uint64_t tokens, std::int64_t dx = 0, std::int64_t dy = 0)
    {
        const auto before = static_cast<std::uint64_t>(m_current - 1); // tokens before the stretch's first
        if (!m_middle && m_keeping.plain && m_length >= m_keeping.partsFrom && tokens > before)
            m_middle = StretchMiddle{offset - (m_start.point + m_start.skip), tokens - before, m_bounds.x + dx,
                                     m_bounds.y + dy};
    }
    // Takes in the walk over the text that follows what was measured, from its own start.
    void MeasureJoined(const WalkBounds& next) { m_bounds.Append(next); }

    // The event at `position`, whose token (when there is one) is `token`, read from
    // `here` (where the reader stood before it). Returns true when it made a picture.
    bool At(const StretchEvent& event, bool haveToken, char token, const SourcePoint& here, PictureWriter& pictures)
    {
        if (event.isStart) {
            m_collecting = true;
            m_stretch.clear();
            m_current = event.position;
            m_start = here;
            m_keep = Keep::InMemory;
            m_spill.reset();
            // A stretch that is sure to outgrow memory is measured from its first token
            // instead of being collected first.
            m_length = LengthFrom(event.position);
            m_middle.reset();
            if (m_keeping.seekable && m_length > m_keeping.inMemory) {
                m_keep = Keep::FromSequence;
                m_bounds = WalkBounds{};
            }
        }
        if (event.isEnd) {
            // An end with no open stretch has nothing to draw and no number to give.
            const bool draw = m_collecting;
            if (draw)
                MakePicture(pictures, event.position, here);
            m_collecting = false;
            return draw;
        }
        // The character at an end position never joins a stretch.
        if (haveToken)
            Take(token);
        return false;
    }

    // One token of the open stretch, if any.
    void Take(char token)
    {
        if (Measuring())
            Measure(std::string_view(&token, 1));
        else if (Collecting())
            Append(token);
    }

    void Append(char token)
    {
        m_stretch.push_back(token);
        if (m_stretch.size() > m_keeping.inMemory)
            Overflow();
    }

    // Called after tokens were added to Stretch(): a stretch past the bound leaves memory.
    void Appended()
    {
        if (m_stretch.size() > m_keeping.inMemory)
            Overflow();
    }

    void Finish()
    {
        if (IoStatus closed = m_page.Close(); !closed)
            m_result.errors.push_back({RunItem::Page, closed.error()});
    }
    // A stopped pass leaves the earlier page, or none, never a partial one.
    void Abandon(bool stopped)
    {
        m_result.stopped = stopped;
        m_page.Discard();
    }
    // The sequence ended after `length` positions: counts the repeats ending past it.
    void SequenceEnded(std::uint64_t length)
    {
        m_result.sequenceLength = length;
        const std::vector<std::int64_t>& ends = m_ends.Sorted();
        m_result.beyondEnd = static_cast<int>(
            ends.end() - std::upper_bound(ends.begin(), ends.end(), static_cast<std::int64_t>(length) + 1));
    }

private:
    enum class Keep { InMemory, FromSequence, Spilled, InMemoryOnly };

    void Overflow()
    {
        // A stretch read again from the sequence never gets here: it is measured from
        // its start (see At).
        if (m_keep == Keep::InMemory) {
            m_spill = SpilledStretch::Create();
            // Without a temporary file the stretch stays in memory, as it always could.
            m_keep = m_spill ? Keep::Spilled : Keep::InMemoryOnly;
        }
        if (m_keep == Keep::Spilled) {
            // A failed write is remembered by the file: the picture is then reported unwritten.
            m_spill->Append(m_stretch);
            m_stretch.clear();
        }
    }

    // The tokens of a stretch started at `position`: up to the first end at or after it.
    std::uint64_t LengthFrom(std::int64_t position) const
    {
        const std::vector<std::int64_t>& ends = m_ends.Sorted();
        const auto end = std::lower_bound(ends.begin(), ends.end(), position);
        return end == ends.end() ? 0 : static_cast<std::uint64_t>(*end - position);
    }

    void MakePicture(PictureWriter& pictures, std::int64_t end, const SourcePoint& here)
    {
        const std::string fileName = PictureFileName(m_current, m_format);
        m_page.AddCell(fileName, m_current);
        ++m_result.pictures;
        m_result.drawn.push_back({m_current, end});
        PictureJob job{m_dir / fileName, {}, nullptr, 0, &m_unwritten, m_format, {}};
        // Every token from the start up to the one before the end joined the stretch.
        job.length = static_cast<std::uint64_t>(end - m_current);
        if (m_keep == Keep::FromSequence) {
            auto stretch = std::make_unique<SequenceStretch>(m_sequencePath, m_start,
                                                             static_cast<std::uint64_t>(m_current - 1), job.length);
            stretch->SetKnownBounds(m_bounds);
            // Read again as so many bytes, without counting its tokens once more.
            if (m_keeping.plain)
                stretch->SetKnownBytes(here.point + here.skip - (m_start.point + m_start.skip));
            if (m_middle)
                stretch->SetKnownMiddle(*m_middle);
            job.letters = std::move(stretch);
        } else if (m_keep == Keep::Spilled) {
            m_spill->Append(m_stretch);
            m_stretch = std::string();
            job.letters = std::move(m_spill);
        } else {
            // The stretch goes with the picture; the next one starts afresh, so memory stays
            // bounded by the stretches in hand rather than by the largest one ever seen.
            job.length = m_stretch.size();
            job.stretch = std::exchange(m_stretch, std::string());
        }
        m_keep = Keep::InMemory;
        m_result.bases += job.length;
        if (m_format == PictureFormat::Svg)
            job.title = "Sequence file: " + m_sequenceFile + ", positions " + std::to_string(m_current) + " to " +
                        std::to_string(end);
        pictures.Add(std::move(job));
    }

    std::filesystem::path m_dir;
    PictureFormat m_format;
    std::string m_sequenceFile; // named in the title of an SVG picture
    std::filesystem::path m_sequencePath;
    BatchResult& m_result;
    std::vector<IoError>& m_unwritten; // filled by the picture writer, perhaps on its thread
    GalleryPage m_page;
    PositionList m_starts;
    PositionList m_ends;
    StretchKeeping m_keeping;
    std::string m_stretch;
    bool m_collecting = false;
    std::int64_t m_current = 0;
    SourcePoint m_start; // where the reader stood before the stretch's first token
    Keep m_keep = Keep::InMemory;
    WalkBounds m_bounds;                   // of a stretch read again from the sequence, as far as it was read
    std::uint64_t m_length = 0;            // tokens of the open stretch, up to its end
    std::optional<StretchMiddle> m_middle; // where the walk of a stretch read again stands about halfway
    std::unique_ptr<SpilledStretch> m_spill;
};

// Reads the sequence once for `galleries`, handing every gallery the tokens of its
// open stretch and its events in position order.
class StretchScanner {
public:
    StretchScanner(TokenReader& reader, std::vector<std::unique_ptr<GalleryState>>& galleries, std::size_t chunk,
                   std::filesystem::path file, const StretchKeeping& keeping)
        : m_reader(reader), m_galleries(galleries), m_seen(galleries.size(), -1),
          m_chunk(std::max<std::size_t>(chunk, 1)), m_file(std::move(file)), m_keeping(keeping)
    {
        for (std::uint32_t g = 0; g < galleries.size(); ++g)
            AddEvents(galleries[g]->Starts(), galleries[g]->Ends(), g, m_events);
        std::stable_sort(m_events.begin(), m_events.end(),
                         [](const StretchEvent& a, const StretchEvent& b) { return a.position < b.position; });
    }

    enum class Outcome { Done, SequenceEnded, Stopped };

    // Calls `onPicture` after each picture; `stop` is asked before every position
    // that ends a stretch.
    template <typename OnPicture> Outcome Run(PictureWriter& pictures, OnPicture onPicture, const StopRequest& stop)
    {
        std::size_t next = 0;
        while (next < m_events.size()) {
            const std::int64_t position = m_events[next].position;
            if (stop && m_events[next].isEnd && stop())
                return Outcome::Stopped;
            // Bring the reader to just before `position`: only open stretches keep tokens.
            const auto before = static_cast<std::uint64_t>(position - 1);
            Feed(before - m_reader.Consumed());
            if (m_reader.Consumed() < before)
                return Outcome::SequenceEnded; // past one after the last token: no later position can match
            char token = 0;
            const SourcePoint here = m_reader.Position();
            // At one past the last token the position is still checked, without a character.
            const bool haveToken = m_reader.Next(token);
            for (; next < m_events.size() && m_events[next].position == position; ++next) {
                const StretchEvent& event = m_events[next];
                m_seen[event.gallery] = position;
                if (m_galleries[event.gallery]->At(event, haveToken, token, here, pictures))
                    onPicture();
            }
            if (!haveToken)
                return Outcome::SequenceEnded;
            for (std::size_t g = 0; g < m_galleries.size(); ++g)
                if (m_seen[g] != position)
                    m_galleries[g]->Take(token);
        }
        return Outcome::Done;
    }

private:
    // Passes over n tokens, appending them to every open stretch that collects them, a
    // bounded chunk at a time so that a long stretch can leave memory as it grows, and
    // measuring every open stretch that is read again later.
    void Feed(std::uint64_t n)
    {
        while (n > 0) {
            const std::uint64_t chunk = std::min<std::uint64_t>(n, m_chunk);
            std::string* first = nullptr;
            std::size_t firstSize = 0;
            for (auto& gallery : m_galleries) {
                if (!gallery->Collecting())
                    continue;
                std::string& stretch = gallery->Stretch();
                if (first == nullptr) {
                    first = &stretch;
                    firstSize = stretch.size();
                    m_reader.Read(chunk, stretch);
                } else {
                    stretch.append(*first, firstSize);
                }
            }
            if (first == nullptr) {
                MeasureRest(n); // nothing collects: the rest in one go
                return;
            }
            const std::string_view added = std::string_view(*first).substr(firstSize);
            for (auto& gallery : m_galleries)
                if (gallery->Measuring())
                    gallery->Measure(added);
            // Only after every gallery copied the chunk from the first one.
            for (auto& gallery : m_galleries)
                if (gallery->Collecting())
                    gallery->Appended();
            n -= chunk;
        }
    }

    // Passes over n tokens that no stretch collects, as text that the measured ones walk.
    void MeasureRest(std::uint64_t n)
    {
        const bool measuring =
            std::any_of(m_galleries.begin(), m_galleries.end(), [](const auto& g) { return g->Measuring(); });
        if (!measuring) {
            m_reader.Skip(n);
            return;
        }
        if (n < m_keeping.partsFrom || !MeasureInHalves(n))
            MeasureText(n, true);
    }

    // Walks n tokens of text for the measured stretches, read ahead on a second thread
    // or on this one alone.
    void MeasureText(std::uint64_t n, bool ahead)
    {
        // In a plain file the reader's points are byte offsets: each piece's is known.
        const SourcePoint from = m_reader.Position();
        std::uint64_t offset = from.point + from.skip;
        std::uint64_t tokens = m_reader.Consumed();
        const auto measure = [&](std::string_view text, std::uint64_t count) {
            for (auto& gallery : m_galleries)
                if (gallery->Measuring())
                    gallery->Measure(text, offset, tokens);
            offset += text.size();
            tokens += count;
            return true;
        };
        if (ahead) {
            TakeText(m_reader, n, measure);
            return;
        }
        std::uint64_t count = 0;
        for (std::string_view text; n > 0 && !(text = m_reader.ReadText(n, count)).empty(); n -= count)
            measure(text, count);
    }

    // Walks n tokens from `reader` into `walk`; returns their bytes.
    std::uint64_t WalkText(TokenReader& reader, std::uint64_t n, WalkBounds& walk) const
    {
        std::uint64_t bytes = 0;
        std::uint64_t count = 0;
        for (std::string_view text; n > 0 && !(text = reader.ReadText(n, count)).empty(); n -= count) {
            walk.Add(text, *m_keeping.kernel);
            bytes += text.size();
        }
        return bytes;
    }

    // Walks n tokens of a plain file that has an index in two halves at once, the
    // second with a reader of its own on a second thread, and joins the walks: the
    // reading is shared between two cores. False when that cannot start: nothing was read.
    bool MeasureInHalves(std::uint64_t n)
    {
        const std::uint64_t half = n / 2;
        const std::uint64_t middle = m_reader.Consumed() + half;
        TokenReader second;
        if (!m_keeping.plain || !TokenOffsetIndex::Global().JumpsInto(m_file) || !second.Open(m_file) ||
            TokenOffsetIndex::Global().SkipFromStart(second, m_file, middle) != middle)
            return false;
        // A long stretch's drawing starts its second part a little into this second
        // half: that part also keeps its pen moves and draws them last.
        const std::uint64_t lead = (n - half) / 8;
        std::uint64_t leadBytes = 0;
        WalkBounds rest;
        WalkBounds leadEnd;
        std::thread thread;
        try {
            thread = std::thread([&] {
                leadBytes = WalkText(second, lead, rest);
                leadEnd = rest;
                WalkText(second, n - half - lead, rest);
            });
        } catch (const std::system_error&) {
            return false;
        }
        MeasureText(half, false);
        thread.join();
        // The file ends or fails before the half: the reader says so.
        if (m_reader.Consumed() != middle)
            return true;
        const SourcePoint at = m_reader.Position(); // where the second reader started
        // A second reader that fails leaves this one to read on, and find why.
        if (!second.Status().ok() || !m_reader.Seek(second.Position(), second.Consumed())) {
            MeasureText(n - half, true);
            return true;
        }
        for (auto& gallery : m_galleries)
            if (gallery->Measuring()) {
                if (second.Consumed() >= middle + lead)
                    gallery->NoteMiddle(at.point + at.skip + leadBytes, middle + lead, leadEnd.x, leadEnd.y);
                gallery->MeasureJoined(rest);
            }
        return true;
    }

    TokenReader& m_reader;
    std::vector<std::unique_ptr<GalleryState>>& m_galleries;
    std::vector<StretchEvent> m_events;
    std::vector<std::int64_t> m_seen; // the last position at which each gallery had an event
    std::size_t m_chunk;              // tokens appended to the open stretches at a time
    std::filesystem::path m_file;     // the sequence, for a second reader
    const StretchKeeping& m_keeping;
};

} // namespace

namespace {

// One read of the sequence for the galleries [first, last): false when the pass stopped.
bool ReadFor(const AppSettings& settings, const std::vector<GallerySelection>& galleries, std::size_t first,
             std::size_t last, std::vector<BatchResult>& results, std::vector<std::vector<IoError>>& unwritten,
             PictureWriter& writer, const PassOptions& options, const std::function<void()>& onPicture)
{
    TokenReader reader;
    // BGZF input is decompressed by worker threads while this one scans and draws.
    const IoStatus opened = reader.Open(settings.sequenceFile, SourceOptions{kBatchDecompressThreads});
    std::vector<std::unique_ptr<GalleryState>> states;
    const WalkKernel kernel(settings.Style().letters);
    const StretchKeeping keeping{options.stretchInMemory, reader.CanSeek(), opened && !reader.Compressed(), &kernel,
                                 options.partsFrom};
    for (std::size_t g = first; g < last; ++g)
        states.push_back(std::make_unique<GalleryState>(settings, galleries[g], results[g], unwritten[g], keeping));
    StretchScanner::Outcome outcome = StretchScanner::Outcome::Done;
    if (opened) {
        // Chunks of a quarter of the bound: a stretch leaves memory before it is much past it.
        std::error_code ec;
        const std::filesystem::path sequence = std::filesystem::absolute(settings.sequenceFile, ec);
        StretchScanner scanner(reader, states, options.stretchInMemory / 4,
                               ec ? std::filesystem::path(settings.sequenceFile) : sequence, keeping);
        outcome = scanner.Run(writer, onPicture, options.stop);
        if (outcome == StretchScanner::Outcome::Done && options.readToEnd && first == 0) {
            reader.Skip(std::numeric_limits<std::uint64_t>::max());
            outcome = StretchScanner::Outcome::SequenceEnded;
        }
    }
    const IoStatus& read = opened ? reader.Status() : opened;
    // Only a sequence read whole has a length that repeats can end beyond.
    if (outcome == StretchScanner::Outcome::SequenceEnded && read.ok())
        for (auto& state : states)
            state->SequenceEnded(reader.Consumed());
    for (std::size_t g = first; g < last; ++g)
        if (!read.ok())
            results[g].errors.insert(results[g].errors.begin(),
                                     {opened ? RunItem::SequenceEnd : RunItem::Sequence, read.error()});
    const bool stopped = outcome == StretchScanner::Outcome::Stopped;
    for (auto& state : states) {
        if (stopped || (!read.ok() && options.pagesNeedWholeSequence))
            state->Abandon(stopped);
        else
            state->Finish();
    }
    return !stopped;
}

} // namespace

std::vector<BatchResult> DrawGalleries(const AppSettings& settings, const std::vector<GallerySelection>& galleries,
                                       const PassOptions& options)
{
    std::vector<BatchResult> results(galleries.size());
    std::vector<std::vector<IoError>> unwritten(galleries.size());
    int count = 0;
    for (const GallerySelection& gallery : galleries)
        count += gallery.count;
    int pictures = 0;
    const std::function<void()> onPicture = [&] {
        ++pictures;
        if (options.progress)
            options.progress(pictures, count);
    };
    PictureWriter writer(settings.Style(), options.picturesOnOwnThread, options.picturesAhead, options.svgResolution);
    bool stopped = false;
    for (std::size_t first = 0; first < galleries.size() && !stopped; first += kGalleriesPerRead) {
        const std::size_t last = std::min(galleries.size(), first + kGalleriesPerRead);
        stopped = !ReadFor(settings, galleries, first, last, results, unwritten, writer, options, onPicture);
        for (std::size_t g = last; stopped && g < galleries.size(); ++g)
            results[g].stopped = true;
    }
    // The pictures handed over are finished, not cut off; only now are the lists of
    // unwritten pictures complete.
    // The display is still asked meanwhile, so that a window stays painted; it is too
    // late to stop, the pages are written.
    writer.Finish(options.stop ? std::function<void()>([&options] { (void)options.stop(); }) : nullptr);
    for (std::size_t g = 0; g < galleries.size(); ++g)
        for (IoError& error : unwritten[g])
            results[g].errors.push_back({RunItem::Picture, std::move(error)});
    return results;
}

} // namespace lirovane
