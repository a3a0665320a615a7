#include "ui/app/thumbnail_view.h"

#include "ui/app/thumbnail_page.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolTip>

namespace {

// The page's geometry as a text browser lays out its table: a 4-pixel page margin,
// 2 pixels between cells, columns sharing the window's width.
constexpr int kMargin = 4;
constexpr int kSpacing = 2;
constexpr int kFrameBudgetMs = 12; // decoding per frame while scrolling; the rest come in the next frames

} // namespace

ThumbnailView::ThumbnailView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("thumbnails"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus); // the browser keeps the focus and passes its keys on
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    viewport()->setBackgroundRole(QPalette::Base);
}

ThumbnailView::~ThumbnailView() = default;

void ThumbnailView::setPage(std::shared_ptr<ThumbnailPage> page)
{
    m_page = std::move(page);
    m_current = -1;
    m_pressed = -1;
    m_firstFrame = true;
    layoutPage();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void ThumbnailView::layoutPage()
{
    if (!m_page) {
        m_content = QSize();
        verticalScrollBar()->setRange(0, 0);
        horizontalScrollBar()->setRange(0, 0);
        return;
    }
    m_head.setDefaultFont(font());
    m_head.setDocumentMargin(kMargin);
    if (m_headSource != m_page->headHtml()) {
        m_headSource = m_page->headHtml();
        m_head.setHtml(m_headSource);
    }
    const QFontMetrics metrics(font());
    const QSize picture = m_page->largestPicture();
    int captionWidth = 0;
    if (m_page->longestCaption() >= 0)
        captionWidth =
            metrics.horizontalAdvance(m_page->caption(m_page->longestCaption())) + metrics.averageCharWidth();
    const int columns = std::max(1, m_page->widestRow());
    const int minColumn = std::max(picture.width(), captionWidth) + kSpacing;
    const int rowHeight = picture.height() + metrics.lineSpacing() + 2 * kSpacing;

    // Which scroll bars the page needs, from the room there is without them.
    const QSize room = maximumViewportSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const auto heightAt = [&](int width) {
        m_head.setTextWidth(width);
        return static_cast<int>(m_head.size().height()) - kMargin + m_page->rowCount() * rowHeight + kSpacing + kMargin;
    };
    const int minWidth = columns * minColumn + kSpacing + 2 * kMargin;
    bool needV = heightAt(room.width()) > room.height();
    bool needH = minWidth > room.width() - (needV ? bar : 0);
    if (needH && !needV)
        needV = heightAt(room.width()) > room.height() - bar;
    const QSize shown(room.width() - (needV ? bar : 0), room.height() - (needH ? bar : 0));

    m_cell = QSize(std::max(minColumn, (shown.width() - 2 * kMargin - kSpacing) / columns), rowHeight);
    const int width = std::max(shown.width(), minWidth);
    const int height = heightAt(width);
    m_headHeight = static_cast<int>(m_head.size().height()) - kMargin;
    m_content = QSize(width, height);

    verticalScrollBar()->setRange(0, std::max(0, height - shown.height()));
    verticalScrollBar()->setPageStep(shown.height());
    verticalScrollBar()->setSingleStep(std::max(20, rowHeight / 4));
    horizontalScrollBar()->setRange(0, std::max(0, width - shown.width()));
    horizontalScrollBar()->setPageStep(shown.width());
    horizontalScrollBar()->setSingleStep(20);
}

void ThumbnailView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutPage();
}

void ThumbnailView::scrollContentsBy(int, int)
{
    viewport()->update();
}

QPoint ThumbnailView::cellOrigin(int cell) const
{
    const int row = m_page->rowOf(cell);
    return {kMargin + kSpacing + (cell - m_page->rowStart(row)) * m_cell.width(),
            m_headHeight + 2 * kSpacing + row * m_cell.height()};
}

QRect ThumbnailView::thumbnailRect(int cell) const
{
    if (!m_page || cell < 0 || cell >= m_page->cellCount())
        return {};
    const QSize size = m_page->pictureSize(cell);
    const QPoint origin = cellOrigin(cell) - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return {origin + QPoint((m_cell.width() - kSpacing - size.width()) / 2, 0), size};
}

int ThumbnailView::cellAt(const QPoint& point) const
{
    if (!m_page || m_cell.isEmpty())
        return -1;
    const QPoint content = point + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int y = content.y() - m_headHeight - 2 * kSpacing;
    const int x = content.x() - kMargin - kSpacing;
    if (x < 0 || y < 0)
        return -1;
    const int row = y / m_cell.height();
    if (row >= m_page->rowCount())
        return -1;
    const int cell = m_page->rowStart(row) + x / m_cell.width();
    if (cell >= m_page->rowStart(row + 1))
        return -1;
    return thumbnailRect(cell).contains(point) ? cell : -1;
}

bool ThumbnailView::focusShown() const
{
    return parentWidget() != nullptr && parentWidget()->hasFocus();
}

void ThumbnailView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    if (!m_page)
        return;
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (scroll.y() < m_headHeight)
        paintHead(painter, event->rect(), scroll);
    const bool pending = paintCells(painter, event->rect().translated(scroll), scroll.x());
    m_firstFrame = false;
    if (pending)
        decodeRestLater();
}

// The page's text above the grid, laid out once by the text document.
void ThumbnailView::paintHead(QPainter& painter, const QRect& exposed, const QPoint& scroll)
{
    painter.save();
    painter.translate(-scroll);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.clip = QRectF(exposed.translated(scroll));
    m_head.documentLayout()->draw(&painter, context);
    painter.restore();
}

// Paints the cells of the rows that meet `visible` (in page coordinates). A page's first
// screen comes whole; while scrolling, a frame decodes what its budget allows. True when
// thumbnails were left out.
bool ThumbnailView::paintCells(QPainter& painter, const QRect& visible, int scrollX)
{
    const int gridTop = m_headHeight + 2 * kSpacing;
    const int firstRow = std::max(0, (visible.top() - gridTop) / m_cell.height());
    const int lastRow = std::min(m_page->rowCount() - 1, (visible.bottom() - gridTop) / m_cell.height());
    const QFontMetrics metrics(font());
    QElapsedTimer clock;
    clock.start();
    bool pending = false;
    painter.setPen(palette().color(QPalette::Text));
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int cell = m_page->rowStart(row); cell < m_page->rowStart(row + 1); ++cell) {
            const bool decode = m_page->hasThumbnail(cell) || m_firstFrame || clock.elapsed() < kFrameBudgetMs;
            if (!decode)
                pending = true;
            paintCell(painter, cell, m_page->thumbnail(cell, decode), metrics.lineSpacing(), scrollX);
        }
    }
    return pending;
}

// One cell: the thumbnail (grey until decoded), its caption below, and the focus frame.
void ThumbnailView::paintCell(QPainter& painter, int cell, const QPixmap& pixmap, int lineSpacing, int scrollX)
{
    const QRect thumb = thumbnailRect(cell);
    if (!pixmap.isNull())
        painter.drawPixmap(thumb, pixmap);
    else
        painter.fillRect(thumb, QColor(0xF0, 0xF0, 0xF0));
    const QRect caption(cellOrigin(cell).x() - scrollX, thumb.bottom() + 1, m_cell.width() - kSpacing, lineSpacing);
    painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop, m_page->caption(cell));
    if (cell == m_current && focusShown()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        // The view never has the focus itself (the browser keeps it), and some styles draw
        // the frame only for a focused widget reached by the keyboard.
        option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        option.rect = thumb.adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

// Thumbnails left out of this frame are decoded in the next, after the events waiting now.
void ThumbnailView::decodeRestLater()
{
    if (m_morePending)
        return;
    m_morePending = true;
    QTimer::singleShot(0, this, [this] {
        m_morePending = false;
        viewport()->update();
    });
}

void ThumbnailView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? cellAt(event->position().toPoint()) : -1;
    if (m_pressed < 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setCurrent(m_pressed);
    event->accept();
}

void ThumbnailView::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = std::exchange(m_pressed, -1);
    if (event->button() == Qt::LeftButton && pressed >= 0 && cellAt(event->position().toPoint()) == pressed) {
        emit cellActivated(pressed);
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void ThumbnailView::mouseMoveEvent(QMouseEvent* event)
{
    // A thumbnail is a link: the pointing hand over it, as over any link.
    viewport()->setCursor(cellAt(event->position().toPoint()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ThumbnailView::contextMenuEvent(QContextMenuEvent* event)
{
    const int cell = cellAt(event->pos());
    if (cell < 0)
        return;
    QMenu menu(this);
    emit cellContextMenu(cell, &menu);
    if (!menu.isEmpty())
        menu.exec(event->globalPos());
}

void ThumbnailView::setCurrent(int cell)
{
    if (cell == m_current)
        return;
    m_current = cell;
    viewport()->update();
}

void ThumbnailView::ensureVisible(int cell)
{
    const QRect thumb = thumbnailRect(cell).adjusted(-kSpacing, -kSpacing, kSpacing,
                                                     m_cell.height() - m_page->pictureSize(cell).height());
    const QRect shown = viewport()->rect();
    if (thumb.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + thumb.top());
    else if (thumb.bottom() > shown.bottom())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + thumb.bottom() - shown.bottom());
    if (thumb.left() < 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + thumb.left());
    else if (thumb.right() > shown.right())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + thumb.right() - shown.right());
}

bool ThumbnailView::moveCurrent(bool next)
{
    if (!m_page || m_page->cellCount() == 0)
        return false;
    const int cell = m_current < 0 ? (next ? 0 : m_page->cellCount() - 1) : m_current + (next ? 1 : -1);
    if (cell < 0 || cell >= m_page->cellCount())
        return false;
    setCurrent(cell);
    ensureVisible(cell);
    return true;
}

bool ThumbnailView::handleKey(QKeyEvent* event)
{
    if (!m_page)
        return false;
    QScrollBar* bar = verticalScrollBar();
    const int cells = m_page->cellCount();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_current < 0)
            return false;
        emit cellActivated(m_current);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Left: moveCurrent(event->key() == Qt::Key_Right); return true;
    case Qt::Key_Down:
    case Qt::Key_Up: {
        if (m_current < 0) {
            bar->triggerAction(event->key() == Qt::Key_Down ? QAbstractSlider::SliderSingleStepAdd
                                                            : QAbstractSlider::SliderSingleStepSub);
            return true;
        }
        const int row = m_page->rowOf(m_current);
        const int column = m_current - m_page->rowStart(row);
        const int target = row + (event->key() == Qt::Key_Down ? 1 : -1);
        if (target >= 0 && target < m_page->rowCount()) {
            const int cell = std::min(m_page->rowStart(target) + column, m_page->rowStart(target + 1) - 1);
            setCurrent(cell);
            ensureVisible(cell);
        }
        return true;
    }
    case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); return true;
    case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepSub); return true;
    case Qt::Key_Home: bar->setValue(0); return true;
    case Qt::Key_End:
        bar->setValue(bar->maximum());
        if (cells > 0 && (event->modifiers() & Qt::ControlModifier))
            setCurrent(cells - 1);
        return true;
    default: return false;
    }
}

QString ThumbnailView::toolTipAt(const QPoint& point) const
{
    const int cell = cellAt(point);
    return cell >= 0 && m_toolTipOf ? m_toolTipOf(cell) : QString();
}

bool ThumbnailView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QAbstractScrollArea::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, viewport(), thumbnailRect(cellAt(help->pos())));
    return true;
}

void ThumbnailView::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QAbstractScrollArea::keyPressEvent(event);
}
