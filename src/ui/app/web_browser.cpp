#include "ui/app/web_browser.h"

#include "ui/app/thumbnail_page.h"
#include "ui/app/thumbnail_reader.h"
#include "ui/app/thumbnail_view.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace {

const QUrl kStartUrl(QStringLiteral("about:start"));

bool IsPictureFile(const QString& path)
{
    static const QStringList suffixes = {QStringLiteral("bmp"),  QStringLiteral("png"), QStringLiteral("jpg"),
                                         QStringLiteral("jpeg"), QStringLiteral("gif"), QStringLiteral("ppm"),
                                         QStringLiteral("pgm"),  QStringLiteral("pbm"), QStringLiteral("xpm"),
                                         QStringLiteral("svg")};
    return suffixes.contains(QFileInfo(path).suffix().toLower());
}

bool IsHtmlFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html");
}

QString MessagePage(const QString& title, const QString& text)
{
    return QStringLiteral("<html><body><h3>%1</h3><p>%2</p></body></html>")
        .arg(title.toHtmlEscaped(), text.toHtmlEscaped());
}

} // namespace

CWebBrowser2::CWebBrowser2(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("browser"));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    connect(this, &QTextBrowser::anchorClicked, this, &CWebBrowser2::OnLinkClicked);
}

void CWebBrowser2::SetStartPage(const QString& html)
{
    m_startPage = html;
    if (m_index >= 0 && m_history[m_index].url == kStartUrl)
        Show(kStartUrl);
}

QUrl CWebBrowser2::currentAddress() const
{
    return m_index >= 0 ? m_history[m_index].url : QUrl();
}

void CWebBrowser2::Navigate(const QString& address)
{
    QUrl url = QUrl(address.trimmed(), QUrl::TolerantMode);
    if (url.scheme().isEmpty() || (url.scheme().size() == 1 && QDir::isAbsolutePath(address))) {
        // A path without a scheme: local, relative to the working directory.
        url = QUrl::fromLocalFile(QDir::current().absoluteFilePath(address.trimmed()));
    }
    if (m_index >= 0)
        m_history[m_index].scroll = ScrollValue();
    m_history.resize(m_index + 1);
    m_history.push_back({url, 0});
    m_index = static_cast<int>(m_history.size()) - 1;
    Show(url);
}

void CWebBrowser2::GoBack()
{
    if (m_index <= 0)
        return;
    m_history[m_index].scroll = ScrollValue();
    --m_index;
    Show(m_history[m_index].url);
    SetScrollValue(m_history[m_index].scroll);
}

void CWebBrowser2::SetWidth(int width)
{
    resize(width, height());
}

void CWebBrowser2::SetHeight(int height)
{
    resize(width(), height);
}

void CWebBrowser2::OnLinkClicked(const QUrl& link)
{
    if (link.hasFragment() && link.adjusted(QUrl::RemoveFragment).isEmpty()) {
        scrollToAnchor(link.fragment());
        return;
    }
    Navigate(Resolve(link).toString());
}

QUrl CWebBrowser2::Resolve(const QUrl& link) const
{
    return m_base.isValid() && link.isRelative() ? m_base.resolved(link) : link;
}

void CWebBrowser2::Show(const QUrl& url)
{
    HideThumbnails();
    if (url == kStartUrl) {
        ShowHtml(m_startPage, QUrl());
    } else if (url.scheme() == QLatin1String("about")) {
        ShowHtml(QString(), QUrl());
    } else if (!url.isLocalFile()) {
        ShowHtml(MessagePage(tr("Not shown"), tr("Only local files are shown here: %1").arg(url.toString())), QUrl());
    } else {
        const QString path = url.toLocalFile();
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            ShowHtml(MessagePage(tr("Cannot open the page"), tr("The file %1 cannot be read.").arg(path)), QUrl());
        } else if (IsPictureFile(path)) {
            // The picture by itself, at full size; the view scrolls when it is larger.
            file.close();
            ShowHtml(QStringLiteral("<html><body><img src=\"%1\"></body></html>")
                         .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped()),
                     url);
            m_picture = path;
        } else if (IsHtmlFile(path)) {
            if (std::shared_ptr<ThumbnailPage> page = GalleryPage(url, file))
                ShowThumbnails(std::move(page));
            else
                ShowHtml(QString::fromUtf8(file.readAll()), url);
        } else {
            auto* doc = new QTextDocument(this);
            doc->setPlainText(QString::fromUtf8(file.readAll()));
            ReplaceDocument(doc);
            m_base = url;
            m_picture.clear();
            m_imageSizes.clear();
        }
    }
    emit navigated(url);
}

void CWebBrowser2::ShowHtml(const QString& html, const QUrl& base)
{
    // Every page gets a document of its own, so the images of the last page are
    // released with it and a picture never comes back as the thumbnail of a page.
    m_base = base;
    m_picture.clear();
    m_imageSizes.clear();
    m_decoded = 0;
    m_reduced = 0;
    auto* doc = new QTextDocument(this);
    doc->setBaseUrl(base);
    doc->setHtml(html);
    ReplaceDocument(doc);
    CollectImageSizes();
}

void CWebBrowser2::ReplaceDocument(QTextDocument* doc)
{
    // The editor deletes a document it created itself; ours are deleted here.
    QTextDocument* old = document();
    const bool ours = old && old->parent() == this;
    setDocument(doc);
    if (ours)
        delete old;
}

void CWebBrowser2::CollectImageSizes()
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            if (image.hasProperty(QTextFormat::ImageWidth) && image.hasProperty(QTextFormat::ImageHeight)) {
                const QSize size(qRound(image.width()), qRound(image.height()));
                if (size.width() > 0 && size.height() > 0)
                    m_imageSizes.insert(Resolve(QUrl(image.name())).toString(), size);
            }
        }
    }
}

std::shared_ptr<ThumbnailPage> CWebBrowser2::GalleryPage(const QUrl& url, QFile& file)
{
    if (!m_thumbnailPages)
        return nullptr;
    const QFileInfo info(file);
    if (m_keptPage && m_keptPage->pageUrl() == url && m_keptSize == info.size() &&
        m_keptModified == info.lastModified())
        return m_keptPage;
    const QByteArray html = file.readAll();
    std::shared_ptr<ThumbnailPage> page = ThumbnailPage::Parse(html, url);
    file.seek(0);
    if (page) {
        m_keptPage = page;
        m_keptSize = info.size();
        m_keptModified = info.lastModified();
    }
    return page;
}

void CWebBrowser2::ShowThumbnails(std::shared_ptr<ThumbnailPage> page)
{
    // The document keeps the page's text, so that the page reads as before; the cells
    // are the view's.
    ShowHtml(page->headHtml(), page->pageUrl());
    if (!m_thumbnails) {
        m_thumbnails = new ThumbnailView(this);
        connect(m_thumbnails, &ThumbnailView::cellActivated, this, [this](int cell) {
            if (ThumbnailPage* shown = m_thumbnails->page())
                Navigate(shown->linkUrl(cell).toString());
        });
        m_thumbnails->setToolTipOf([this](int cell) {
            ThumbnailPage* shown = m_thumbnails->page();
            return shown && m_pictureToolTip ? m_pictureToolTip(shown->picturePath(cell)) : QString();
        });
        connect(m_thumbnails, &ThumbnailView::cellContextMenu, this, [this](int cell, QMenu* menu) {
            if (ThumbnailPage* shown = m_thumbnails->page())
                emit pictureContextMenu(menu, shown->picturePath(cell));
        });
    }
    m_thumbnails->setFont(font());
    m_thumbnails->setGeometry(rect());
    m_thumbnails->setPage(std::move(page));
    m_thumbnails->raise();
    m_thumbnails->show();
}

void CWebBrowser2::HideThumbnails()
{
    if (m_thumbnails && m_thumbnails->isVisible()) {
        m_thumbnails->hide();
        m_thumbnails->setPage(nullptr);
    }
}

void CWebBrowser2::setPictureToolTip(std::function<QString(const QString&)> toolTip)
{
    m_pictureToolTip = std::move(toolTip);
}

bool CWebBrowser2::showsThumbnails() const
{
    return m_thumbnails && m_thumbnails->isVisible() && m_thumbnails->page() != nullptr;
}

int CWebBrowser2::ScrollValue() const
{
    return showsThumbnails() ? m_thumbnails->verticalScrollBar()->value() : verticalScrollBar()->value();
}

void CWebBrowser2::SetScrollValue(int value)
{
    if (showsThumbnails())
        m_thumbnails->verticalScrollBar()->setValue(value);
    else
        verticalScrollBar()->setValue(value);
}

int CWebBrowser2::decodedImages() const
{
    return m_decoded + (showsThumbnails() ? m_thumbnails->page()->decodedCount() : 0);
}

int CWebBrowser2::reducedImages() const
{
    return m_reduced + (showsThumbnails() ? m_thumbnails->page()->decodedCount() : 0);
}

void CWebBrowser2::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    if (m_thumbnails)
        m_thumbnails->setGeometry(rect());
}

void CWebBrowser2::keyPressEvent(QKeyEvent* event)
{
    if (showsThumbnails() && m_thumbnails->handleKey(event))
        return;
    QTextBrowser::keyPressEvent(event);
}

void CWebBrowser2::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_picture.isEmpty()) {
        QTextBrowser::contextMenuEvent(event);
        return;
    }
    // A picture opened from a gallery offers what its thumbnail offers.
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    emit pictureContextMenu(menu.get(), m_picture);
    menu->exec(event->globalPos());
}

bool CWebBrowser2::focusNextPrevChild(bool next)
{
    // Tab steps through the thumbnails as it steps through a page's links.
    if (showsThumbnails() && hasFocus() && m_thumbnails->moveCurrent(next))
        return true;
    return QTextBrowser::focusNextPrevChild(next);
}

QVariant CWebBrowser2::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource) {
        const QUrl url = Resolve(name);
        if (!url.isLocalFile())
            return {};
        QFile file(url.toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    const QUrl url = Resolve(name);
    if (!url.isLocalFile())
        return {};
    QSize wanted = m_imageSizes.value(url.toString());
    if (!wanted.isValid() && showsThumbnails())
        wanted = m_thumbnails->page()->largestPicture(); // a picture of the gallery: its thumbnail
    QImage image;
    if (wanted.isValid()) {
        // On a page: decoded once, at the size the page shows it.
        image = ReadThumbnail(url.toLocalFile(), wanted);
        if (!image.isNull())
            ++m_reduced;
    } else {
        image = ReadPicture(url.toLocalFile());
    }
    if (image.isNull())
        return {};
    ++m_decoded;
    return QPixmap::fromImage(std::move(image));
}
