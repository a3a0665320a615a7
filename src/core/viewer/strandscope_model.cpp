#include "core/viewer/strandscope_model.h"

#include "core/intervals/integer_text.h"
#include "core/render/bmp_export.h"
#include "core/render/null_canvas.h"
#include "core/render/png_export.h"
#include "core/render/svg_canvas.h"
#include "core/sequence/byte_source.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/reverse_complement.h"
#include "core/sequence/sequence_letters.h"
#include "core/sequence/token_offset_index.h"

#include <algorithm>
#include <limits>

namespace lirovane {

namespace {

std::int64_t SaturatedSum(std::int64_t a, std::int64_t b) noexcept
{
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// The most letters from the window's start whose reverse complement fits the frame,
// and that reverse complement in `drawn`. Each further letter adds a step at the start
// of that walk, so the walk keeps its shape only moved: the letters that fit are found by halves.
ViewerFit MinusFit(std::string_view letters, int zoom, const PathStyle& style, std::string& drawn)
{
    const auto fits = [&](std::size_t count) {
        drawn.assign(letters.substr(0, count));
        ReverseComplement(drawn);
        return static_cast<std::size_t>(FitViewerPath(drawn, zoom, style).count) == count;
    };
    std::size_t low = 0;
    std::size_t high = letters.size();
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    fits(low);
    return FitViewerPath(drawn, zoom, style);
}

} // namespace

StrandscopeModel::StrandscopeModel() : StrandscopeModel(TokenOffsetIndex::Global()) {}

StrandscopeModel::StrandscopeModel(TokenOffsetIndex& index) : m_image(kViewerWidth, kViewerHeight), m_index(index)
{
    m_image.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White);
}

PathStyle StrandscopeModel::Style() const noexcept
{
    PathStyle style;
    style.letters = m_letterTable;
    style.colors = m_colors;
    return style;
}

std::array<char, 4> StrandscopeModel::Legend() const noexcept
{
    const auto& e = m_letterTable.entries;
    return {static_cast<char>(e[4]), static_cast<char>(e[5]), static_cast<char>(e[6]), static_cast<char>(e[7])};
}

ViewerFit StrandscopeModel::Fit(std::string_view letters, const PathStyle& style, std::string& minusLetters) const
{
    if (!m_minus)
        return FitViewerPath(letters, m_nZoom, style);
    return MinusFit(letters, m_nZoom, style, minusLetters);
}

IoResult<std::string> StrandscopeModel::ReadFittingLetters(std::int64_t start, bool& complete) const
{
    // A walk usually leaves the frame within some thousands of letters: read a part, fit,
    // and read on with parts twice as large only while everything read still fits.
    constexpr std::size_t kFirstPart = 16384;
    constexpr auto kMaxLetters = static_cast<std::size_t>(kViewerMaxLetters);
    std::string letters;
    complete = true;
    SequenceLetterReader reader;
    if (reader.Open(m_viewerPath, start, m_index).ok()) {
        const PathStyle style = Style();
        std::string minusLetters;
        for (std::size_t part = kFirstPart; letters.size() < kMaxLetters; part *= 2) {
            if (reader.Read(std::min(part, kMaxLetters - letters.size()), letters) == 0)
                break;
            if (static_cast<std::size_t>(Fit(letters, style, minusLetters).count) < letters.size()) {
                complete = letters.size() >= kMaxLetters;
                break;
            }
        }
    }
    // Letters before a read error are not shown: they may stop anywhere.
    if (!reader.Status().ok())
        return reader.Status().error();
    return letters;
}

bool StrandscopeModel::LoadLetters()
{
    bool complete = true;
    IoResult<std::string> read = ReadFittingLetters(m_nStartIndex, complete);
    m_loadStatus = read;
    std::string kept = std::move(read).value();
    m_bLastLoadFound = !kept.empty();
    if (m_bLastLoadFound) {
        // Only the letters of this load count: nothing of a longer earlier load follows them.
        m_letters = std::move(kept);
        m_nLetterCount = static_cast<int>(m_letters.size());
        m_lettersFrom = m_nStartIndex;
        m_lettersComplete = complete;
    }
    return m_bLastLoadFound;
}

void StrandscopeModel::FitAndDraw()
{
    const PathStyle style = Style();
    std::string minusLetters;
    ViewerFit fit = Fit(KeptLetters(), style, minusLetters);
    if (!m_lettersComplete && static_cast<std::size_t>(fit.count) >= KeptLetters().size()) {
        // Letters kept from an earlier load, read for another zoom or orientation: this
        // fit needs more of them.
        bool complete = true;
        std::string more = ReadFittingLetters(m_lettersFrom, complete).value();
        if (more.size() > m_letters.size()) {
            m_letters = std::move(more);
            m_nLetterCount = static_cast<int>(m_letters.size());
            m_lettersComplete = complete;
            fit = Fit(KeptLetters(), style, minusLetters);
        }
    }
    const std::string_view letters = m_minus ? std::string_view(minusLetters) : KeptLetters();
    m_nDrawnCount = fit.count;
    m_nEndIndex = SaturatedSum(m_nStartIndex, fit.count);
    m_startText = std::to_string(m_nStartIndex);
    m_endText = std::to_string(m_nEndIndex);
    NullCanvas nowhere(kViewerWidth, kViewerHeight); // no screen attached
    DrawViewerPath(letters, fit, m_nZoom, style, m_screen ? *m_screen : nowhere, m_image);
    m_shown = Drawing{fit, m_nZoom, style, m_minus, std::move(minusLetters)};
}

void StrandscopeModel::RedrawSequence()
{
    if (m_level > 1) {
        if (FitLevel() != LevelFit::Stopped)
            DrawLevel();
        return;
    }
    LoadLetters();
    FitAndDraw();
}

StrandscopeModel::LevelFit StrandscopeModel::FitLevel()
{
    IoResult<LevelWindow> fitted = FitLevelWindow(m_viewerPath, m_nStartIndex, m_level, m_letterTable, m_stop);
    m_loadStatus = fitted;
    if (!fitted) {
        m_bLastLoadFound = false;
        return LevelFit::Nothing;
    }
    if (fitted->stopped)
        return LevelFit::Stopped;
    m_bLastLoadFound = fitted->found;
    if (!fitted->found)
        return LevelFit::Nothing; // the window on show stays, as the letters on show do at a zoom
    m_window = std::move(fitted).value();
    m_windowStart = m_nStartIndex;
    return LevelFit::Fitted;
}

void StrandscopeModel::DrawLevel()
{
    m_nDrawnCount = static_cast<int>(std::min<std::uint64_t>(m_window.tokens, std::numeric_limits<int>::max()));
    m_nEndIndex = SaturatedSum(m_nStartIndex, static_cast<std::int64_t>(m_window.tokens));
    m_startText = std::to_string(m_nStartIndex);
    m_endText = std::to_string(m_nEndIndex);
    NullCanvas nowhere(kViewerWidth, kViewerHeight); // no screen attached
    DrawLevelWindow(m_viewerPath, m_windowStart, m_window, m_level, Style(), m_screen ? *m_screen : nowhere, m_image);
    m_shown.reset();
}

template <typename Change> bool StrandscopeModel::Navigate(Change change)
{
    const std::int64_t start = m_nStartIndex, previous = m_nPreviousStart, level = m_level;
    const int zoom = m_nZoom;
    change();
    if (m_level > 1 && FitLevel() == LevelFit::Stopped) {
        m_nStartIndex = start, m_nPreviousStart = previous, m_level = level, m_nZoom = zoom;
        return false;
    }
    if (m_level > 1)
        DrawLevel();
    else
        RedrawSequence();
    return true;
}

const StrandscopeModel::RecordFitCache* StrandscopeModel::RecordFit()
{
    IoResult<std::vector<FastaRecord>> records = m_index.Records(m_viewerPath);
    if (!records)
        return nullptr;
    const auto holding =
        LocatePosition(*records, static_cast<std::uint64_t>(std::max<std::int64_t>(m_nStartIndex, 0)) + 1, true);
    if (!holding)
        return nullptr;
    const FastaRecord& record = (*records)[holding->record];
    if (m_recordFit && m_recordFit->file == m_viewerPath && m_recordFit->tokensBefore == record.tokensBefore &&
        m_recordFit->table == m_letterTable)
        return &*m_recordFit;
    IoResult<lirovane::RecordFit> fit = FitWholeRecord(m_viewerPath, record, m_letterTable, m_stop);
    if (!fit || fit->window.stopped)
        return nullptr;
    m_recordFit =
        RecordFitCache{m_viewerPath, record.tokensBefore, m_letterTable, fit->level, std::move(fit.value().window)};
    return &*m_recordFit;
}

bool StrandscopeModel::ZoomOutFurther()
{
    if (!HasSequence())
        return false;
    const RecordFitCache* fit = RecordFit();
    if (fit == nullptr || m_level >= fit->level)
        return false;
    return Navigate([this] { m_level = m_level < 2 ? 2 : m_level * 2; });
}

bool StrandscopeModel::ZoomInCloser()
{
    if (!HasSequence() || m_level < 2)
        return false;
    return Navigate([this] {
        m_level /= 2;
        if (m_level < 2)
            m_level = 1, m_nZoom = 1;
    });
}

bool StrandscopeModel::FitRecord()
{
    if (!HasSequence())
        return false;
    const RecordFitCache* fit = RecordFit();
    if (fit == nullptr)
        return false;
    m_nStartIndex = static_cast<std::int64_t>(fit->tokensBefore);
    m_nZoom = 1;
    m_level = fit->level;
    if (m_level < 2) {
        RedrawSequence();
        return true;
    }
    // The record was walked at this level as its level was found: no second read.
    m_window = fit->window;
    m_windowStart = m_nStartIndex;
    m_bLastLoadFound = m_window.found;
    m_loadStatus = IoStatus();
    DrawLevel();
    return true;
}

const IoStatus& StrandscopeModel::Load(const std::filesystem::path& file)
{
    return LoadAt(file, 0);
}

const IoStatus& StrandscopeModel::LoadAt(const std::filesystem::path& file, std::int64_t startIndex)
{
    m_viewerPath = file;
    m_nStartIndex = startIndex;
    // A file without letters counts as loaded too.
    RedrawSequence();
    m_nPreviousStart = 0;
    m_bNoSequence = 0; // a sequence is loaded
    return m_loadStatus;
}

IoResult<RegionTarget> StrandscopeModel::GoTo(std::string_view text)
{
    const auto records = m_index.Records(m_viewerPath);
    if (!records)
        return records.error();
    IoResult<RegionTarget> target = ParseRegion(text, *records);
    if (target)
        SetStartIndex(target->startIndex);
    return target;
}

ViewerFacts StrandscopeModel::Facts() const
{
    ViewerFacts facts;
    if (!HasSequence())
        return facts;
    facts.bgzipHint = IsGzipFile(m_viewerPath) && !IsBgzfFile(m_viewerPath);
    const auto records = m_index.Records(m_viewerPath);
    facts.indexNotice = m_index.IndexNotice(m_viewerPath);
    if (!records)
        return facts;
    facts.recordsKnown = true;
    if (!records->empty())
        facts.totalPositions = records->back().tokensBefore + records->back().bases;
    const auto start = static_cast<std::uint64_t>(std::max<std::int64_t>(m_nStartIndex, 0));
    facts.pastEnd = start >= facts.totalPositions;
    if (!facts.pastEnd)
        facts.range =
            DescribeRange(*records, start + 1, static_cast<std::uint64_t>(std::max<std::int64_t>(m_nEndIndex, 0)));
    return facts;
}

bool StrandscopeModel::Next()
{
    if (!HasSequence())
        return false;
    if (m_level > 1) {
        const std::int64_t remembered = m_nPreviousStart, start = m_nStartIndex;
        m_nPreviousStart = m_nStartIndex;
        m_nStartIndex = m_nEndIndex;
        const LevelFit fit = FitLevel();
        if (fit != LevelFit::Fitted) {
            // At the end (or stopped): both indexes go back and the window on show stays.
            m_nStartIndex = start;
            m_nPreviousStart = remembered;
            if (fit == LevelFit::Stopped)
                return false;
        }
        DrawLevel();
        return true;
    }
    const std::int64_t remembered = m_nPreviousStart;
    m_nPreviousStart = m_nStartIndex;
    m_nStartIndex = m_nEndIndex;
    if (!LoadLetters()) {
        // At the end: both indexes go back and the stretch on show is drawn again.
        m_nStartIndex = m_nPreviousStart;
        m_nPreviousStart = remembered;
    }
    FitAndDraw();
    return true;
}

bool StrandscopeModel::Previous()
{
    if (!HasSequence())
        return false;
    return Navigate([this] { m_nStartIndex = m_nPreviousStart; });
}

bool StrandscopeModel::Redraw()
{
    if (!HasSequence())
        return false;
    return Navigate([] {});
}

bool StrandscopeModel::ZoomIn()
{
    if (!HasSequence() || m_nZoom == std::numeric_limits<int>::max())
        return false;
    if (m_level > 1) {
        m_level = 1; // back to zoom 1
        m_nZoom = 1;
        RedrawSequence();
        return true;
    }
    ++m_nZoom;
    RedrawSequence();
    return true;
}

bool StrandscopeModel::ZoomOut()
{
    if (!HasSequence() || m_nZoom <= 1 || m_level > 1)
        return false;
    --m_nZoom;
    RedrawSequence();
    return true;
}

void StrandscopeModel::SetStartIndexText(std::string_view text)
{
    // The box holds at most 29 characters.
    m_nStartIndex = LeadingInteger64(text.substr(0, 29));
}

void StrandscopeModel::ApplyColorSettings(int orientation, const SlotColors& colors)
{
    m_nOrientation = orientation;
    const LetterTable before = m_letterTable;
    ApplyOrientation(m_letterTable, orientation); // any other value keeps the table
    m_colors = colors;
    // New colours at a level draw the window's kept moves again, without reading.
    if (HasSequence() && m_level > 1 && m_letterTable == before && m_window.kept && m_windowStart == m_nStartIndex)
        DrawLevel();
    else if (HasSequence())
        RedrawSequence();
}

IoStatus StrandscopeModel::SaveImage(const std::filesystem::path& file, PictureFormat format) const
{
    if (format == PictureFormat::Png)
        return SavePng(file, m_image, kViewerWidth, kViewerHeight);
    if (format == PictureFormat::Bmp)
        return lirovane::SaveImage(file, m_image, kViewerWidth, kViewerHeight);

    SvgCanvas drawing(kViewerWidth, kViewerHeight);
    if (m_level > 1 && HasSequence()) {
        NullCanvas screen(kViewerWidth, kViewerHeight);
        DrawLevelWindow(m_viewerPath, m_windowStart, m_window, m_level, Style(), screen, drawing);
        return drawing.Save(file, "Sequence file: " + m_viewerPath.string() + ", start index " + m_startText +
                                      ", end index " + m_endText + ", " + LevelName(m_level));
    }
    if (!m_shown) {
        drawing.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White); // before the first Load
        return drawing.Save(file, "No sequence loaded");
    }
    NullCanvas screen(kViewerWidth, kViewerHeight);
    const std::string_view letters = m_shown->minus ? std::string_view(m_shown->minusLetters) : KeptLetters();
    DrawViewerPath(letters, m_shown->fit, m_shown->zoom, m_shown->style, screen, drawing);
    return drawing.Save(file, "Sequence file: " + m_viewerPath.string() + ", start index " + m_startText +
                                  ", end index " + m_endText);
}

} // namespace lirovane
