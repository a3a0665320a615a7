#pragma once

#include <QAbstractScrollArea>
#include <QTextDocument>

#include <functional>
#include <memory>

class QKeyEvent;
class QPainter;
class QPixmap;
#include <QMenu>
class ThumbnailPage;

// Shows a page of thumbnails at any size: the page's head text, then its rows of
// cells, each a thumbnail with its caption. Nothing is made per cell: the grid is
// computed, only the visible rows are painted, and a thumbnail is decoded when it
// first comes into view (within a time budget per frame; the rest follow at once).
class ThumbnailView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ThumbnailView(QWidget* parent = nullptr);
    ~ThumbnailView() override;

    void setPage(std::shared_ptr<ThumbnailPage> page);
    ThumbnailPage* page() const { return m_page.get(); }

    // The cell whose thumbnail lies under a point of the viewport, or -1.
    int cellAt(const QPoint& point) const;
    // Where a cell's thumbnail is drawn, in viewport coordinates.
    QRect thumbnailRect(int cell) const;
    // The cell that Return opens, moved by Tab and the arrow keys; -1 for none.
    int currentCell() const { return m_current; }
    // Moves the current cell on (Tab) or back (Shift+Tab); false past either end.
    bool moveCurrent(bool next);
    // The keys of a page: arrows, Page Up/Down, Home, End, Return. False when not one.
    bool handleKey(QKeyEvent* event);
    // What a thumbnail's tooltip says, asked when the pointer rests on it.
    void setToolTipOf(std::function<QString(int cell)> toolTipOf) { m_toolTipOf = std::move(toolTipOf); }
    // The tooltip at a point of the viewport; empty off the thumbnails.
    QString toolTipAt(const QPoint& point) const;

signals:
    // A thumbnail was clicked, or Return pressed on the current cell.
    void cellActivated(int cell);
    // The context menu was asked for over a thumbnail; `menu` is shown if anything fills it.
    void cellContextMenu(int cell, QMenu* menu);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QPoint cellOrigin(int cell) const; // content coordinates
    int rowOf(int cell) const;
    void layoutPage();
    void setCurrent(int cell);
    void ensureVisible(int cell);
    bool focusShown() const;
    void paintHead(QPainter& painter, const QRect& exposed, const QPoint& scroll);
    bool paintCells(QPainter& painter, const QRect& visible, int scrollX);
    void paintCell(QPainter& painter, int cell, const QPixmap& pixmap, int lineSpacing, int scrollX);
    void decodeRestLater();

    std::shared_ptr<ThumbnailPage> m_page;
    QTextDocument m_head;
    QString m_headSource;
    int m_headHeight = 0;
    QSize m_cell;
    QSize m_content;
    int m_current = -1;
    int m_pressed = -1;
    bool m_morePending = false;
    bool m_firstFrame = false;
    std::function<QString(int)> m_toolTipOf;
};
