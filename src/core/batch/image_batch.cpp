#include "core/batch/image_batch.h"

#include "core/io/output_file.h"
#include "core/io/position_list.h"
#include "core/io/token_reader.h"
#include "core/render/bmp_export.h"
#include "core/render/canvas.h"
#include "core/render/path_renderer.h"
#include "core/render/raster_canvas.h"
#include "core/settings/app_settings.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <system_error>

namespace lirovane {

namespace {

constexpr const char* kPageName = "index.htm";

// Walks the union of two ascending lists of distinct positions.
class EventCursor {
public:
    EventCursor(const std::vector<std::int32_t>& starts, const std::vector<std::int32_t>& ends)
        : m_starts(starts), m_ends(ends)
    {
        // Tokens are numbered from 1: nothing at or below 0 can ever match.
        m_s = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), 0) - starts.begin());
        m_e = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), 0) - ends.begin());
    }

    // The next position in either list, with whether it is a start and an end.
    bool Next(std::int64_t& position, bool& isStart, bool& isEnd)
    {
        const bool haveStart = m_s < m_starts.size();
        const bool haveEnd = m_e < m_ends.size();
        if (!haveStart && !haveEnd)
            return false;
        if (haveStart && (!haveEnd || m_starts[m_s] <= m_ends[m_e]))
            position = m_starts[m_s];
        else
            position = m_ends[m_e];
        isStart = haveStart && m_starts[m_s] == position;
        isEnd = haveEnd && m_ends[m_e] == position;
        if (isStart)
            ++m_s;
        if (isEnd)
            ++m_e;
        return true;
    }

private:
    const std::vector<std::int32_t>& m_starts;
    const std::vector<std::int32_t>& m_ends;
    std::size_t m_s = 0;
    std::size_t m_e = 0;
};

std::string CellHtml(const std::string& fileName, std::int64_t number)
{
    std::string cell;
    cell.reserve(120);
    cell += "<td><center><a href=\"";
    cell += fileName;
    cell += "\"><img width=100 height=100 src=";
    cell += fileName;
    cell += "></a><br>";
    cell += std::to_string(number);
    cell += "</center></td>";
    return cell;
}

// Right edge of the progress bar: 3 pixels per percent, full when the count is not positive.
int BarRight(int pictures, int count)
{
    const std::int64_t percent =
        count > 0 ? std::int64_t{100} * pictures / count : std::int64_t{100};
    const std::int64_t right = 102 + 3 * percent;
    return static_cast<int>(std::min<std::int64_t>(right, std::numeric_limits<int>::max() / 2));
}

// A picture SaveImage gave up on may be partly written; a partial file must not
// pass for a picture.
void RemovePartialFile(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec))
        std::filesystem::remove(file, ec);
}

} // namespace

BatchResult CreateImages(const AppSettings& settings, BatchDisplay& display, const std::filesystem::path& dir)
{
    BatchResult result;
    std::error_code ec;
    std::filesystem::path outDir = dir;
    if (outDir.empty()) {
        outDir = std::filesystem::current_path(ec);
        if (ec)
            outDir = ".";
    }
    std::filesystem::path absoluteDir = outDir.is_absolute() ? outDir : std::filesystem::absolute(outDir, ec);
    if (ec)
        absoluteDir = outDir;
    result.page = (absoluteDir / kPageName).lexically_normal();

    // One surface for every picture, resized for each.
    RasterCanvas picture(1, 1);

    TokenReader reader;
    result.sequenceOpened = reader.Open(settings.sequenceFile);
    const std::filesystem::path pagePath = outDir / kPageName;
    OutputFile page(pagePath); // written as the batch goes, never held in memory

    page.Write("<html><body><br>Sequence file: ");
    page.Write(HtmlEscape(settings.sequenceFile));
    page.Write("<br>\r\n");
    page.Write("Consensus size: " + std::to_string(settings.sizeOfRepeats) + "<br>\r\n");
    page.Write("Number of repeats: " + std::to_string(settings.numberOfRepeatsInThisSet) + "<br>\r\n");
    page.Write("<table><tr>");

    Canvas& surface = display.Surface();
    surface.FillRect(0, 0, surface.Width(), surface.Height(), StockBrush::White);
    surface.TextOut(100, 100, "Please wait while creating images...");
    surface.Rectangle(100, 130, 400, 160);
    display.Present();

    PositionList starts;
    PositionList ends;
    LoadPositionList(outDir / "starts.txt", starts);
    LoadPositionList(outDir / "ends.txt", ends);

    const PathStyle style = settings.Style();
    const int count = settings.numberOfRepeatsInThisSet;
    std::string stretch;
    bool collecting = false;
    std::int64_t current = 0;

    auto makePicture = [&] {
        const PathExtent extent = MeasurePath(stretch, style);
        picture.Resize(extent.width, extent.height);
        DrawPath(stretch, extent, style, picture);

        const std::string fileName = std::to_string(current) + ".bmp";
        page.Write(CellHtml(fileName, current));
        ++result.pictures;
        if (result.pictures % 6 == 0)
            page.Write("</tr><tr>");

        const std::filesystem::path file = outDir / fileName;
        if (!SaveImage(file, picture, extent.width, extent.height)) {
            RemovePartialFile(file);
            result.unwritten.push_back(file);
        }
        stretch.clear();
        // Give back what a huge stretch took, so memory stays bounded by the largest one.
        if (stretch.capacity() > (std::size_t{1} << 20))
            stretch.shrink_to_fit();

        surface.FillRect(102, 132, BarRight(result.pictures, count), 158, StockBrush::Black);
        display.Progress(result.pictures, count);
        display.Present();
    };

    if (result.sequenceOpened) {
        EventCursor events(starts.Sorted(), ends.Sorted());
        std::int64_t position = 0;
        bool isStart = false;
        bool isEnd = false;
        while (events.Next(position, isStart, isEnd)) {
            // Bring the reader to just before `position`: only an open stretch keeps tokens.
            const auto before = static_cast<std::uint64_t>(position - 1);
            const std::uint64_t wanted = before - reader.Consumed();
            if (collecting)
                reader.Read(wanted, stretch);
            else
                reader.Skip(wanted);
            if (reader.Consumed() < before)
                break; // past one after the last token: no later position can match
            char token = 0;
            // At one past the last token the position is still checked, without a character.
            const bool haveToken = reader.Next(token);
            if (isStart) {
                collecting = true;
                stretch.clear();
                current = position;
            }
            if (isEnd) {
                // An end with no open stretch has nothing to draw and no number to give.
                if (collecting)
                    makePicture();
                collecting = false;
            } else if (collecting && haveToken) {
                stretch.push_back(token);
            }
            if (!haveToken)
                break;
        }
        reader.Close();
    }

    page.Write("</table></body></html>");
    result.pageWritten = page.IsOpen() && page.Close();
    if (!result.pageWritten)
        RemovePartialFile(pagePath);

    result.url = FileUrl(result.page);
    display.Navigate(result.url);
    return result;
}

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string FileUrl(const std::filesystem::path& absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string& native = absolutePath.native();
    std::string url = "file://";
    url.reserve(url.size() + native.size());
    for (const char ch : native) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::string_view("-._~!$&'()*+,;=:@/").find(ch) != std::string_view::npos;
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

} // namespace lirovane
