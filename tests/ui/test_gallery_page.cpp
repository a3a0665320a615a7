// Gallery pages at any size: which pages the thumbnail view takes, what it reads of
// them, clicks and Back (the context menu is the main window's).

#include "ui/app/thumbnail_page.h"
#include "ui/app/thumbnail_view.h"
#include "ui/app/web_browser.h"
#include "ui_test_support.h"

namespace {

const QByteArray kHead = "<html><body><br>Sequence file: a&amp;b.fa<br>\r\nConsensus size: 4<br>\r\n"
                         "Number of repeats: 7<br>\r\n";

QByteArray Cell(const QByteArray& name, const QByteArray& caption)
{
    return "<td><center><a href=\"" + name + "\"><img width=100 height=100 src=" + name + "></a><br>" + caption +
           "</center></td>";
}

// A page as the batch writes it: `cells` pictures named 1.bmp, 2.bmp, ..., six to a row.
QByteArray BatchPage(int cells)
{
    QByteArray html = kHead + "<table><tr>";
    for (int i = 1; i <= cells; ++i) {
        html += Cell(QByteArray::number(i) + ".bmp", QByteArray::number(i));
        if (i % 6 == 0)
            html += "</tr><tr>";
    }
    return html + "</table></body></html>";
}

} // namespace

class TestGalleryPage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A gallery of `cells` pictures of 300 x 200 in the folder; the page's address.
    QUrl writeGallery(int cells)
    {
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::red);
        for (int i = 1; i <= cells; ++i)
            picture.save(m_dir.filePath(QString::number(i) + ".bmp"), "BMP");
        WriteFile(m_dir.filePath("index.htm"), BatchPage(cells));
        return QUrl::fromLocalFile(m_dir.filePath("index.htm"));
    }

private slots:
    // Only the batch's own layout goes to the thumbnail view; every other page is laid
    // out as a document, as before.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<int>("cells"); // -1: not a gallery
        QTest::addColumn<QList<int>>("rowStarts");
        QTest::addColumn<QString>("lastCaption");
        const auto notGallery = [](const char* what, const QByteArray& html) {
            QTest::newRow(what) << html << -1 << QList<int>{} << "";
        };
        QTest::newRow("seven cells") << BatchPage(7) << 7 << QList<int>{0, 6} << "7";
        QTest::newRow("six cells, empty last row") << BatchPage(6) << 6 << QList<int>{0} << "6";
        QTest::newRow("no cells") << BatchPage(0) << 0 << QList<int>{} << "";
        QTest::newRow("entities and line breaks")
            << kHead + "<table><tr>" + Cell("x&amp;y.bmp", "12<br>chr&lt;1&gt;") + "</table></body></html>\r\n"
            << 1 << QList<int>{0} << "12\nchr<1>";
        QTest::newRow("unquoted link") << kHead + "<table><tr><td><center><a href=3.bmp><img width=100 height=100 "
                                                  "src=3.bmp></a><br>3</center></td></table></body></html>"
                                       << 1 << QList<int>{0} << "3";
        notGallery("plain page", "<html><body><p>Hello</p></body></html>");
        notGallery("other cell layout", kHead + "<table><tr><td>text</td></table></body></html>");
        notGallery("cut off", BatchPage(7).chopped(10));
        notGallery("more after the page", BatchPage(2) + "<p>more</p>");
        notGallery("picture without a size", kHead + "<table><tr><td><center><a href=\"1.bmp\"><img src=1.bmp></a><br>1"
                                                     "</center></td></table></body></html>");
    }
    void parse()
    {
        QFETCH(QByteArray, html);
        QFETCH(int, cells);
        QFETCH(QList<int>, rowStarts);
        QFETCH(QString, lastCaption);
        const QUrl url = QUrl::fromLocalFile("/g/index.htm");
        const std::shared_ptr<ThumbnailPage> page = ThumbnailPage::Parse(html, url);
        QCOMPARE(page != nullptr, cells >= 0);
        if (!page)
            return;
        QCOMPARE(page->cellCount(), cells);
        QList<int> starts;
        for (int row = 0; row < page->rowCount(); ++row)
            starts << page->rowStart(row);
        QCOMPARE(starts, rowStarts);
        QVERIFY(page->headHtml().contains("Number of repeats: 7"));
        QVERIFY(!page->headHtml().contains("<table"));
        if (cells == 0)
            return;
        const ThumbnailCell last = page->cell(cells - 1);
        QCOMPARE(last.caption, lastCaption);
        QCOMPARE(last.size, QSize(100, 100));
        QCOMPARE(page->picturePath(cells - 1), QFileInfo("/g/" + last.picture).filePath());
        QCOMPARE(page->linkUrl(cells - 1), url.resolved(QUrl(last.link)));
    }

    // A gallery page: its text reads as before; only the cells in view are decoded; a click
    // opens the picture, and Back returns to the page where it was, decoding nothing again.
    void browse()
    {
        const QUrl page = writeGallery(120);
        CWebBrowser2 browser;
        browser.resize(400, 300);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        browser.Navigate(page.toString());
        QVERIFY(browser.showsThumbnails());
        QVERIFY(browser.toPlainText().contains("Sequence file: a&b.fa"));
        ThumbnailView* view = browser.thumbnailView();
        browser.grab();
        const int decoded = view->page()->decodedCount();
        QVERIFY2(decoded > 0 && decoded <= 24, qPrintable(QString::number(decoded)));

        view->verticalScrollBar()->setValue(1000);
        // Thumbnails past a frame's decoding budget come in the frames after it.
        for (int decodedNow = -1; decodedNow != view->page()->decodedCount();) {
            decodedNow = view->page()->decodedCount();
            QApplication::processEvents();
            browser.grab();
        }
        const int scrolled = view->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        int cell = -1;
        for (int i = 0; i < view->page()->cellCount() && cell < 0; ++i)
            if (view->viewport()->rect().contains(view->thumbnailRect(i)))
                cell = i;
        QVERIFY(cell > 6);
        const int decodedBefore = view->page()->decodedCount();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->thumbnailRect(cell).center());
        QCOMPARE(browser.currentAddress(), page.resolved(QUrl(QString::number(cell + 1) + ".bmp")));
        QVERIFY(!browser.showsThumbnails());

        browser.GoBack();
        QCOMPARE(browser.currentAddress(), page);
        QVERIFY(browser.showsThumbnails());
        QCOMPARE(view->verticalScrollBar()->value(), scrolled);
        browser.grab();
        QCOMPARE(view->page()->decodedCount(), decodedBefore);

        // A click on a caption opens nothing.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->thumbnailRect(cell).bottomLeft() + QPoint(2, 6));
        QCOMPARE(browser.currentAddress(), page);
    }
};

QTEST_MAIN(TestGalleryPage)
#include "test_gallery_page.moc"
