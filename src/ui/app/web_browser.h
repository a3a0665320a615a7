#pragma once

#include <QDateTime>
#include <QHash>
#include <QSize>
#include <QTextBrowser>
#include <QUrl>
#include <QVector>

#include <functional>
#include <memory>

class QFile;
class QMenu;
class ThumbnailPage;
class ThumbnailView;

// The view's browser control: shows local pages and pictures from a text address,
// keeps its own history, and is sized by the view. It never fetches from the network.
//
// Pictures on a page are decoded once and kept at the size the page asks for
// (a 100 x 100 thumbnail costs what a 100 x 100 picture costs); a picture opened by
// itself is shown at full size.
//
// A gallery page that the image batch wrote is shown by a ThumbnailView instead of
// being laid out as a document: its cost does not grow with the number of cells, and
// the page, with the thumbnails decoded so far, is kept for going back to it.
class CWebBrowser2 : public QTextBrowser {
    Q_OBJECT

public:
    explicit CWebBrowser2(QWidget* parent = nullptr);

    // Goes to an address: a file URL, a local path (absolute or relative to the
    // working directory), or "about:start". Addresses of other schemes show a
    // short page saying that only local files are shown.
    void Navigate(const QString& address);
    // Returns to the page shown before; with no earlier page it does nothing.
    void GoBack();
    void SetWidth(int width);
    void SetHeight(int height);

    // The page shown at "about:start" (the first entry of the history).
    void SetStartPage(const QString& html);

    QUrl currentAddress() const;
    int historyLength() const { return static_cast<int>(m_history.size()); }
    // Images decoded for the current page, and how many were reduced to the page's size.
    int decodedImages() const;
    int reducedImages() const;
    // The thumbnail view of a gallery page; null until the first one is shown.
    ThumbnailView* thumbnailView() const { return m_thumbnails; }
    bool showsThumbnails() const;
    // The tooltip of a gallery's thumbnail, from the local file of its picture.
    void setPictureToolTip(std::function<QString(const QString& picturePath)> toolTip);
    // With false, gallery pages are laid out as documents like any page (for comparison).
    void setThumbnailPages(bool on) { m_thumbnailPages = on; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;

signals:
    void navigated(const QUrl& address);
    // The context menu of a picture: a thumbnail on a gallery page (shown only when
    // actions are added to `menu`), or a picture shown by itself (added to the text
    // menu). `picturePath` is the local file the picture comes from.
    void pictureContextMenu(QMenu* menu, const QString& picturePath);

private:
    struct Entry {
        QUrl url;
        int scroll = 0;
    };

    void Show(const QUrl& url);
    void ShowHtml(const QString& html, const QUrl& base);
    // The batch's page of thumbnails at `url`, or null when the file is another page.
    std::shared_ptr<ThumbnailPage> GalleryPage(const QUrl& url, QFile& file);
    void ShowThumbnails(std::shared_ptr<ThumbnailPage> page);
    void HideThumbnails();
    int ScrollValue() const;
    void SetScrollValue(int value);
    void OnLinkClicked(const QUrl& link);
    void CollectImageSizes();
    void ReplaceDocument(QTextDocument* doc);
    QUrl Resolve(const QUrl& link) const;

    QVector<Entry> m_history;
    int m_index = -1;
    QString m_startPage;
    QUrl m_base;
    QString m_picture; // the local picture shown by itself; empty on a page
    // Image name on the current page -> the size the page draws it at.
    QHash<QString, QSize> m_imageSizes;
    int m_decoded = 0;
    int m_reduced = 0;
    ThumbnailView* m_thumbnails = nullptr;
    bool m_thumbnailPages = true;
    std::function<QString(const QString&)> m_pictureToolTip;
    // The last gallery page read, with the file's size and time then: Back reuses it.
    std::shared_ptr<ThumbnailPage> m_keptPage;
    qint64 m_keptSize = -1;
    QDateTime m_keptModified;
};
