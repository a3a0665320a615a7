#pragma once

#include <QByteArray>
#include <QCache>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QUrl>

#include <memory>
#include <vector>

// One cell of a gallery page: the link it opens, the picture it shows, its caption.
struct ThumbnailCell {
    QString link;    // the link target as the page writes it, relative to the page
    QString picture; // the picture's source as the page writes it
    QString caption;
    QSize size; // the size the page shows the picture at
};

// A page of thumbnails as the image batch writes it: the text before the table and
// the cells, row by row. Parsing it costs one pass over the bytes and no layout; the
// page keeps the thumbnails decoded so far, so that going back to it costs no decoding.
class ThumbnailPage {
public:
    // The page when `html` has exactly the batch's layout (head, then one table of
    // linked thumbnails with captions); null for every other page.
    static std::shared_ptr<ThumbnailPage> Parse(const QByteArray& html, const QUrl& pageUrl);

    const QUrl& pageUrl() const { return m_url; }
    // The head of the page (everything before the table) as a page of its own.
    const QString& headHtml() const { return m_head; }
    int cellCount() const { return static_cast<int>(m_cells.size()); }
    // A cell, read from the page's bytes when asked for: the page holds no object per cell.
    ThumbnailCell cell(int index) const;
    QSize pictureSize(int index) const;
    QString caption(int index) const;
    int rowCount() const { return static_cast<int>(m_rowStarts.size()); }
    // Cells [rowStart(row), rowStart(row + 1)) form a row; rowStart(rowCount()) is cellCount().
    int rowStart(int row) const;
    // The row a cell lies in.
    int rowOf(int cell) const;
    int widestRow() const { return m_widestRow; }
    // The largest size a cell shows its picture at, and the cell whose caption is longest.
    QSize largestPicture() const { return m_largest; }
    int longestCaption() const { return m_longestCaption; }

    // Absolute addresses of a cell's link and picture, and the picture's local path.
    QUrl linkUrl(int index) const;
    QUrl pictureUrl(int index) const;
    QString picturePath(int index) const;

    // The cell's thumbnail, decoded at most once while it stays in the cache; null
    // until decoded when `decode` is false, and null when the picture cannot be read.
    QPixmap thumbnail(int index, bool decode);
    bool hasThumbnail(int index) const { return m_thumbnails.contains(index); }
    int decodedCount() const { return m_decoded; }

    // Where a cell's pieces lie in the page's bytes (32 bytes a cell).
    struct Span {
        quint32 offset = 0;
        quint32 length = 0;
    };
    struct CellSpans {
        Span link;
        Span picture;
        Span caption; // may hold <br> and entities
        int width = 0;
        int height = 0;
    };

private:
    QString Text(Span span) const;

    QUrl m_url;
    QString m_head;
    QByteArray m_html;
    std::vector<CellSpans> m_cells;
    std::vector<int> m_rowStarts;
    int m_widestRow = 0;
    QSize m_largest;
    int m_longestCaption = -1;
    // Decoded thumbnails by cell, cost in KiB; an unreadable picture is kept as a null pixmap.
    QCache<int, QPixmap> m_thumbnails{qsizetype{128} * 1024};
    int m_decoded = 0;
};
