#include "core/viewer/strandscope_model.h"

#include "core/io/integer_text.h"
#include "core/io/sequence_letters.h"
#include "core/io/token_offset_index.h"
#include "core/render/bmp_export.h"
#include "core/render/null_canvas.h"
#include "core/render/png_export.h"
#include "core/render/svg_canvas.h"

#include <limits>

namespace lirovane {

namespace {

std::int32_t SaturatedSum(std::int32_t a, std::int64_t b) noexcept
{
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}

} // namespace

StrandscopeModel::StrandscopeModel() : m_image(kViewerWidth, kViewerHeight)
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

bool StrandscopeModel::LoadLetters()
{
    std::string kept = ReadSequenceLetters(m_viewerPath, m_nStartIndex, TokenOffsetIndex::Global(), &m_loadError);
    m_bLastLoadFound = !kept.empty();
    if (m_bLastLoadFound) {
        // Only the letters of this load count: nothing of a longer earlier load follows them.
        m_letters = std::move(kept);
        m_nLetterCount = static_cast<int>(m_letters.size());
    }
    return m_bLastLoadFound;
}

void StrandscopeModel::FitAndDraw()
{
    const PathStyle style = Style();
    const std::string_view letters = KeptLetters();
    const ViewerFit fit = FitViewerPath(letters, m_nZoom, style);
    m_nDrawnCount = fit.count;
    m_nEndIndex = SaturatedSum(m_nStartIndex, fit.count);
    m_startText = std::to_string(m_nStartIndex);
    m_endText = std::to_string(m_nEndIndex);
    NullCanvas nowhere(kViewerWidth, kViewerHeight); // no screen attached
    DrawViewerPath(letters, fit, m_nZoom, style, m_screen ? *m_screen : nowhere, m_image);
    m_shown = Drawing{fit, m_nZoom, style};
}

void StrandscopeModel::RedrawSequence()
{
    LoadLetters();
    FitAndDraw();
}

void StrandscopeModel::Load(const std::filesystem::path& file)
{
    LoadAt(file, 0);
}

void StrandscopeModel::LoadAt(const std::filesystem::path& file, std::int32_t startIndex)
{
    m_viewerPath = file;
    m_nStartIndex = startIndex;
    // A file without letters counts as loaded too.
    RedrawSequence();
    m_nPreviousStart = 0;
    m_bNoSequence = 0; // a sequence is loaded
}

bool StrandscopeModel::Next()
{
    if (!HasSequence())
        return false;
    const std::int32_t remembered = m_nPreviousStart;
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
    m_nStartIndex = m_nPreviousStart;
    RedrawSequence();
    return true;
}

bool StrandscopeModel::Redraw()
{
    if (!HasSequence())
        return false;
    RedrawSequence();
    return true;
}

bool StrandscopeModel::ZoomIn()
{
    if (!HasSequence() || m_nZoom == std::numeric_limits<int>::max())
        return false;
    ++m_nZoom;
    RedrawSequence();
    return true;
}

bool StrandscopeModel::ZoomOut()
{
    if (!HasSequence() || m_nZoom <= 1)
        return false;
    --m_nZoom;
    RedrawSequence();
    return true;
}

void StrandscopeModel::SetStartIndexText(std::string_view text)
{
    // The box holds at most 29 characters.
    m_nStartIndex = LeadingInteger(text.substr(0, 29));
}

void StrandscopeModel::ApplyColorSettings(int orientation, const SlotColors& colors)
{
    m_nOrientation = orientation;
    ApplyOrientation(m_letterTable, orientation); // any other value keeps the table
    m_colors = colors;
    if (HasSequence())
        RedrawSequence();
}

bool StrandscopeModel::SaveImage(const std::filesystem::path& file, PictureFormat format) const
{
    if (format == PictureFormat::Png)
        return SavePng(file, m_image, kViewerWidth, kViewerHeight);
    if (format == PictureFormat::Bmp)
        return lirovane::SaveImage(file, m_image, kViewerWidth, kViewerHeight);

    SvgCanvas drawing(kViewerWidth, kViewerHeight);
    if (!m_shown) {
        drawing.FillRect(0, 0, kViewerWidth, kViewerHeight, StockBrush::White); // before the first Load
        return drawing.Save(file, "No sequence loaded");
    }
    NullCanvas screen(kViewerWidth, kViewerHeight);
    DrawViewerPath(KeptLetters(), m_shown->fit, m_shown->zoom, m_shown->style, screen, drawing);
    return drawing.Save(file, "Sequence file: " + m_viewerPath.string() + ", start index " + m_startText +
                                  ", end index " + m_endText);
}

} // namespace lirovane
