#include "core/render/svg_canvas.h"

#include "core/files/output_file.h"
#include "core/files/temporary_file.h"
#include "core/render/picture_format.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>

namespace lirovane {

namespace {

int ClampToInt(std::int64_t v) noexcept
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void AppendNumber(std::string& out, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// A value given in halves: 7 -> "3.5", -3 -> "-1.5".
void AppendHalves(std::string& out, std::int64_t halves)
{
    if (halves < 0) {
        out += '-';
        halves = -halves;
    }
    AppendNumber(out, halves / 2);
    if (halves % 2 != 0)
        out += ".5";
}

void AppendColor(std::string& out, Color color)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '#';
    for (const std::uint8_t part : {RedOf(color), GreenOf(color), BlueOf(color)}) {
        out += kHex[part >> 4];
        out += kHex[part & 0x0F];
    }
}

// Length of the UTF-8 sequence at `text`, 0 when it is not one XML may hold
// (malformed, overlong, a surrogate, U+FFFE, U+FFFF or beyond U+10FFFF).
std::size_t Utf8Length(std::string_view text) noexcept
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool excluded = (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return overlong || excluded ? 0 : length;
}

// Text as XML character data: markup characters as entities, control characters XML
// cannot hold and bytes that are not UTF-8 as U+FFFD.
std::string XmlText(std::string_view text)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        std::size_t used = 1;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (c >= 0x80) {
                used = Utf8Length(text);
                if (used == 0) {
                    out += kReplacement;
                    used = 1;
                } else {
                    out += text.substr(0, used);
                }
            } else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                out += kReplacement;
            } else {
                out += static_cast<char>(c);
            }
        }
        text.remove_prefix(used);
    }
    return out;
}

constexpr std::string_view kTail = "</svg>\n";

// A body past this size moves to the temporary file: a walk of some 20,000 steps.
constexpr std::size_t kSpillAt = std::size_t{64} << 10;

} // namespace

void SvgCanvas::SpillIfLarge()
{
    if (m_body.size() < kSpillAt || m_noSpill)
        return;
    if (!m_spill)
        m_spill.reset(UnnamedTemporaryFile("lirovane-svg"));
    if (!m_spill) {
        m_noSpill = true; // as it always could, the body stays in memory
        return;
    }
    errno = 0;
    if (std::fwrite(m_body.data(), 1, m_body.size(), m_spill.get()) != m_body.size() && m_spillError == 0)
        m_spillError = errno != 0 ? errno : EIO;
    m_body.clear();
}

template <typename Write> int SvgCanvas::EmitBody(Write&& write) const
{
    if (m_spill) {
        std::FILE* file = m_spill.get();
        if (m_spillError != 0)
            return m_spillError;
        errno = 0;
        if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0)
            return errno != 0 ? errno : EIO;
        std::string piece(std::size_t{1} << 20, '\0');
        for (std::size_t got = 0; (got = std::fread(piece.data(), 1, piece.size(), file)) > 0;)
            write(std::string_view(piece.data(), got));
        const int read = std::ferror(file) == 0 ? 0 : errno != 0 ? errno : EIO;
        std::fseek(file, 0, SEEK_END); // drawing may go on after a save
        if (read != 0)
            return read;
    }
    write(std::string_view(m_body));
    if (m_pathOpen)
        write(std::string_view("\"/>\n"));
    return 0;
}

SvgCanvas::SvgCanvas(int width, int height, int unitsPerPixel)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)), m_scale(std::max(unitsPerPixel, 1)),
      m_unitWidth(ClampToInt(std::int64_t{m_width} * m_scale)),
      m_unitHeight(ClampToInt(std::int64_t{m_height} * m_scale))
{
}

void SvgCanvas::ClosePath()
{
    if (!m_pathOpen)
        return;
    m_body += "\"/>\n";
    m_pathOpen = false;
}

int SvgCanvas::PenClass(const Pen& pen)
{
    const auto found = std::find(m_pens.begin(), m_pens.end(), pen);
    if (found != m_pens.end())
        return static_cast<int>(found - m_pens.begin());
    m_pens.push_back(pen);
    return static_cast<int>(m_pens.size() - 1);
}

void SvgCanvas::AppendPoint(std::int64_t x, std::int64_t y, const Pen& pen)
{
    // An odd pen covers one pixel more right of and below the point than left of and
    // above it: its centre line lies half a pixel further on.
    const std::int64_t shift = pen.width % 2 != 0 ? m_scale : 0;
    AppendHalves(m_body, 2 * x + shift);
    m_body += ' ';
    AppendHalves(m_body, 2 * y + shift);
}

void SvgCanvas::FillRect(int left, int top, int right, int bottom, StockBrush brush)
{
    if (right <= left || bottom <= top)
        return;
    ClosePath();
    m_body += "<rect x=\"";
    AppendNumber(m_body, left);
    m_body += "\" y=\"";
    AppendNumber(m_body, top);
    m_body += "\" width=\"";
    AppendNumber(m_body, std::int64_t{right} - left);
    m_body += "\" height=\"";
    AppendNumber(m_body, std::int64_t{bottom} - top);
    m_body += "\" fill=\"";
    AppendColor(m_body, brush == StockBrush::White ? kWhite : kBlack);
    m_body += "\"/>\n";
}

void SvgCanvas::MoveTo(int x, int y)
{
    m_curX = x;
    m_curY = y;
}

void SvgCanvas::SelectPen(int width, Color color)
{
    m_pen = Pen{std::max(width, 1), color}; // a width of 0 draws one pixel wide
}

void SvgCanvas::ReleasePen()
{
    m_pen = Pen{};
}

void SvgCanvas::LineTo(int x, int y)
{
    const std::int64_t dx = std::int64_t{x} - m_curX;
    const std::int64_t dy = std::int64_t{y} - m_curY;
    const int signX = (dx > 0) - (dx < 0);
    const int signY = (dy > 0) - (dy < 0);
    const bool continues = m_pathOpen && m_pathPen == m_pen && m_pathEndX == m_curX && m_pathEndY == m_curY;
    if (!continues) {
        ClosePath();
        m_body += "<path class=\"p";
        AppendNumber(m_body, PenClass(m_pen));
        m_body += "\" d=\"M";
        AppendPoint(m_curX, m_curY, m_pen);
        m_pathOpen = true;
        m_pathPen = m_pen;
    } else if ((signX != 0 && signX == -m_lastDx) || (signY != 0 && signY == -m_lastDy) || (dx == 0 && dy == 0)) {
        // A join would cut the turn back short; a subpath of its own gets both square ends.
        m_body += "m0 0";
    }
    if (dy == 0) {
        m_body += 'h';
        AppendNumber(m_body, dx);
    } else if (dx == 0) {
        m_body += 'v';
        AppendNumber(m_body, dy);
    } else {
        m_body += 'l';
        AppendNumber(m_body, dx);
        m_body += ' ';
        AppendNumber(m_body, dy);
    }
    m_lastDx = signX;
    m_lastDy = signY;
    m_curX = x;
    m_curY = y;
    m_pathEndX = x;
    m_pathEndY = y;
    SpillIfLarge();
}

void SvgCanvas::TextOut(int /*x*/, int /*y*/, std::string_view /*text*/)
{
    // Text is drawn only on window surfaces.
}

void SvgCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    // Inside with the brush, then the outline on the border pixels with the pen, as the
    // raster canvas draws it.
    if (right - left > 2 && bottom - top > 2) {
        ClosePath();
        m_body += "<rect x=\"";
        AppendNumber(m_body, std::int64_t{left} + 1);
        m_body += "\" y=\"";
        AppendNumber(m_body, std::int64_t{top} + 1);
        m_body += "\" width=\"";
        AppendNumber(m_body, std::int64_t{right} - left - 2);
        m_body += "\" height=\"";
        AppendNumber(m_body, std::int64_t{bottom} - top - 2);
        m_body += "\" fill=\"";
        AppendColor(m_body, m_brush);
        m_body += "\"/>\n";
    }
    OutlineRectangle(left, top, right, bottom, m_curX, m_curY);
}

void SvgCanvas::SelectBrush(Color color)
{
    m_brush = color;
}

void SvgCanvas::ReleaseBrush()
{
    m_brush = kWhite;
}

std::string SvgCanvas::Head(std::string_view title) const
{
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
    AppendNumber(head, m_width);
    head += "\" height=\"";
    AppendNumber(head, m_height);
    head += "\" viewBox=\"0 0 ";
    AppendNumber(head, m_unitWidth);
    head += ' ';
    AppendNumber(head, m_unitHeight);
    head += "\">\n<title>";
    head += XmlText(title);
    head += "</title>\n<style type=\"text/css\">path{fill:none;stroke-linecap:square;stroke-linejoin:miter}";
    for (std::size_t i = 0; i < m_pens.size(); ++i) {
        head += ".p";
        AppendNumber(head, static_cast<std::int64_t>(i));
        head += "{stroke:";
        AppendColor(head, m_pens[i].color);
        head += ";stroke-width:";
        AppendNumber(head, std::int64_t{m_pens[i].width} * m_scale);
        head += '}';
    }
    head += "</style>\n";
    return head;
}

std::string SvgCanvas::Document(std::string_view title) const
{
    std::string document = Head(title);
    EmitBody([&document](std::string_view piece) { document += piece; });
    document += kTail;
    return document;
}

IoStatus SvgCanvas::Save(const std::filesystem::path& file, std::string_view title) const
{
    if (!IsPictureFileName(file))
        return BadPictureName(file);
    OutputFile out(file);
    // The body is written as it stands, not copied into one document first.
    out.Write(Head(title));
    if (const int failed = EmitBody([&out](std::string_view piece) { out.Write(piece); }); failed != 0) {
        out.Discard();
        return IoError::FromErrno(file, failed, "cannot keep the drawing in a temporary file");
    }
    out.Write(kTail);
    return out.Close();
}

} // namespace lirovane
