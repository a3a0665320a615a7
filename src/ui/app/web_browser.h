#pragma once

#include <QHash>
#include <QSize>
#include <QTextBrowser>
#include <QUrl>
#include <QVector>

// The view's browser control: shows local pages and pictures from a text address,
// keeps its own history, and is sized by the view. It never fetches from the network.
//
// Pictures on a page are decoded once and kept at the size the page asks for
// (a 100 x 100 thumbnail costs what a 100 x 100 picture costs); a picture opened by
// itself is shown at full size.
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
    int decodedImages() const { return m_decoded; }
    int reducedImages() const { return m_reduced; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

signals:
    void navigated(const QUrl& address);

private:
    struct Entry {
        QUrl url;
        int scroll = 0;
    };

    void Show(const QUrl& url);
    void ShowHtml(const QString& html, const QUrl& base);
    void OnLinkClicked(const QUrl& link);
    void CollectImageSizes();
    void ReplaceDocument(QTextDocument* doc);
    QUrl Resolve(const QUrl& link) const;

    QVector<Entry> m_history;
    int m_index = -1;
    QString m_startPage;
    QUrl m_base;
    // Image name on the current page -> the size the page draws it at.
    QHash<QString, QSize> m_imageSizes;
    int m_decoded = 0;
    int m_reduced = 0;
};
