#include "ui/app/thumbnail_page.h"

#include "ui/app/thumbnail_reader.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace {

// A cursor over the page's bytes. Each step either matches and moves on, or fails and
// leaves the cursor where it was.
class Cursor {
public:
    Cursor(const char* begin, const char* end) : m_p(begin), m_end(end) {}

    bool AtEnd() const { return m_p == m_end; }
    const char* Position() const { return m_p; }

    bool Eat(std::string_view literal)
    {
        if (static_cast<std::size_t>(m_end - m_p) < literal.size() || std::string_view(m_p, literal.size()) != literal)
            return false;
        m_p += literal.size();
        return true;
    }

    void SkipBlanks()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\r' || *m_p == '\n' || *m_p == '\f'))
            ++m_p;
    }

    // The attributes of a tag up to its '>', calling `take(name, value)` for each.
    template <typename Take> bool Attributes(Take take)
    {
        for (;;) {
            SkipBlanks();
            if (m_p == m_end)
                return false;
            if (*m_p == '>') {
                ++m_p;
                return true;
            }
            const char* name = m_p;
            while (m_p != m_end && *m_p != '=' && *m_p != '>' && *m_p != ' ')
                ++m_p;
            const std::string_view key(name, static_cast<std::size_t>(m_p - name));
            if (!Eat("="))
                return false;
            std::string_view value;
            if (m_p != m_end && (*m_p == '"' || *m_p == '\'')) {
                const char quote = *m_p++;
                const char* start = m_p;
                while (m_p != m_end && *m_p != quote)
                    ++m_p;
                if (m_p == m_end)
                    return false;
                value = std::string_view(start, static_cast<std::size_t>(m_p - start));
                ++m_p;
            } else {
                const char* start = m_p;
                while (m_p != m_end && *m_p != '>' && *m_p != ' ' && *m_p != '\t' && *m_p != '\r' && *m_p != '\n')
                    ++m_p;
                value = std::string_view(start, static_cast<std::size_t>(m_p - start));
            }
            take(key, value);
        }
    }

    // Passes over text up to `stop`, which is passed over too; false when a tag other
    // than <br> comes first. `text` is the text with its <br> tags.
    bool TextUntil(std::string_view stop, std::string_view& text)
    {
        const char* start = m_p;
        while (m_p != m_end) {
            if (*m_p == '<') {
                const char* before = m_p;
                if (Eat(stop)) {
                    text = std::string_view(start, static_cast<std::size_t>(before - start));
                    return true;
                }
                if (!Eat("<br>"))
                    return false;
                continue;
            }
            ++m_p;
        }
        return false;
    }

private:
    const char* m_p;
    const char* m_end;
};

QString Unescaped(std::string_view text)
{
    QString out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (!out.contains(QLatin1Char('&')) && !out.contains(QLatin1Char('<')))
        return out;
    // A caption's line breaks; a leading one only separates it from the picture.
    out.replace(QLatin1String("<br>"), QLatin1String("\n"));
    while (out.startsWith(QLatin1Char('\n')))
        out.remove(0, 1);
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&#39;"), QLatin1String("'"));
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

int ToInt(std::string_view text)
{
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > 100000)
            return -1;
        value = value * 10 + (c - '0');
    }
    return text.empty() ? -1 : value;
}

ThumbnailPage::Span SpanOf(std::string_view text, const char* base)
{
    return {static_cast<quint32>(text.data() - base), static_cast<quint32>(text.size())};
}

// One cell: <td><center><a href="F"><img width=W height=H src=F></a><br>caption</center></td>
bool ParseCell(Cursor& in, const char* base, ThumbnailPage::CellSpans& cell)
{
    if (!in.Eat("<td>"))
        return false;
    const bool centered = in.Eat("<center>");
    std::string_view href;
    if (!in.Eat("<a ") || !in.Attributes([&](std::string_view key, std::string_view value) {
            if (key == "href")
                href = value;
        }))
        return false;
    std::string_view src;
    int width = -1;
    int height = -1;
    if (!in.Eat("<img ") || !in.Attributes([&](std::string_view key, std::string_view value) {
            if (key == "src")
                src = value;
            else if (key == "width")
                width = ToInt(value);
            else if (key == "height")
                height = ToInt(value);
        }))
        return false;
    std::string_view caption;
    if (href.empty() || src.empty() || width <= 0 || height <= 0 || !in.Eat("</a>") ||
        !in.TextUntil(centered ? "</center></td>" : "</td>", caption))
        return false;
    cell.link = SpanOf(href, base);
    cell.picture = SpanOf(src, base);
    cell.caption = SpanOf(caption, base);
    cell.width = width;
    cell.height = height;
    return true;
}

} // namespace

std::shared_ptr<ThumbnailPage> ThumbnailPage::Parse(const QByteArray& html, const QUrl& pageUrl)
{
    const std::string_view text(html.constData(), static_cast<std::size_t>(html.size()));
    const std::size_t table = text.find("<table><tr>");
    if (table == std::string_view::npos || text.substr(0, table).find("<table") != std::string_view::npos ||
        html.size() > std::numeric_limits<quint32>::max())
        return nullptr;

    auto page = std::make_shared<ThumbnailPage>();
    page->m_url = pageUrl;
    page->m_html = html; // shared, not copied: the cells point into it
    page->m_head =
        QString::fromUtf8(html.constData(), static_cast<qsizetype>(table)) + QStringLiteral("</body></html>");
    page->m_cells.reserve(static_cast<std::size_t>(html.size()) / 96);

    const char* base = page->m_html.constData();
    Cursor in(base + table + 11, base + page->m_html.size());
    quint32 longest = 0;
    bool rowOpen = false;
    for (;;) {
        if (in.Eat("</tr><tr>")) {
            rowOpen = false;
            continue;
        }
        if (in.Eat("</table></body></html>")) {
            in.SkipBlanks();
            if (!in.AtEnd())
                return nullptr;
            break;
        }
        CellSpans cell;
        if (!ParseCell(in, base, cell))
            return nullptr;
        if (!rowOpen) {
            page->m_rowStarts.push_back(page->cellCount());
            rowOpen = true;
        }
        page->m_largest = page->m_largest.expandedTo(QSize(cell.width, cell.height));
        if (page->m_longestCaption < 0 || cell.caption.length > longest) {
            longest = cell.caption.length;
            page->m_longestCaption = page->cellCount();
        }
        page->m_cells.push_back(cell);
    }
    for (int row = 0; row < page->rowCount(); ++row)
        page->m_widestRow = std::max(page->m_widestRow, page->rowStart(row + 1) - page->rowStart(row));
    return page;
}

QString ThumbnailPage::Text(Span span) const
{
    return Unescaped(std::string_view(m_html.constData() + span.offset, span.length));
}

ThumbnailCell ThumbnailPage::cell(int index) const
{
    const CellSpans& spans = m_cells[static_cast<std::size_t>(index)];
    ThumbnailCell cell;
    cell.link = Text(spans.link);
    cell.picture = Text(spans.picture);
    cell.caption = Text(spans.caption);
    cell.size = QSize(spans.width, spans.height);
    return cell;
}

QString ThumbnailPage::caption(int index) const
{
    return Text(m_cells[static_cast<std::size_t>(index)].caption);
}

QSize ThumbnailPage::pictureSize(int index) const
{
    const CellSpans& spans = m_cells[static_cast<std::size_t>(index)];
    return {spans.width, spans.height};
}

int ThumbnailPage::rowStart(int row) const
{
    return row < rowCount() ? m_rowStarts[static_cast<std::size_t>(row)] : cellCount();
}

int ThumbnailPage::rowOf(int cell) const
{
    const auto after = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(), cell);
    return std::max(0, static_cast<int>(after - m_rowStarts.begin()) - 1);
}

QUrl ThumbnailPage::linkUrl(int index) const
{
    return m_url.resolved(QUrl(Text(m_cells[static_cast<std::size_t>(index)].link)));
}

QUrl ThumbnailPage::pictureUrl(int index) const
{
    return m_url.resolved(QUrl(Text(m_cells[static_cast<std::size_t>(index)].picture)));
}

QString ThumbnailPage::picturePath(int index) const
{
    return pictureUrl(index).toLocalFile();
}

QPixmap ThumbnailPage::thumbnail(int index, bool decode)
{
    if (const QPixmap* kept = m_thumbnails.object(index))
        return *kept;
    if (!decode)
        return {};
    const QUrl url = pictureUrl(index);
    QImage image = url.isLocalFile() ? ReadThumbnail(url.toLocalFile(), pictureSize(index)) : QImage();
    ++m_decoded;
    auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
    QPixmap shown = *pixmap;
    const qsizetype bytes = static_cast<qsizetype>(pixmap->width()) * pixmap->height() * 4;
    m_thumbnails.insert(index, pixmap, std::max<qsizetype>(1, bytes / 1024));
    return shown;
}
