// Thumbnails read straight from picture files: orientation, averaging, enlarging,
// other formats, and cut-off files.

#include "app/thumbnail_reader.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestThumbnailReader : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Top half red, bottom half blue, one black column at x = 0.
    QString Write(const char* name, QSize size, const char* format)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < size.height() / 2; ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(255, 0, 0));
        for (int y = 0; y < size.height(); ++y)
            image.setPixel(0, y, qRgb(0, 0, 0));
        const QString path = m_dir.filePath(name);
        image.save(path, format);
        return path;
    }

private slots:
    void reads_at_thumbnail_size_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("format");
        QTest::newRow("BMP reduced 3 x 2") << QSize(300, 200) << "BMP";
        QTest::newRow("BMP reduced, odd ratio") << QSize(317, 251) << "BMP";
        QTest::newRow("PNG reduced") << QSize(300, 200) << "PNG";
    }
    void reads_at_thumbnail_size()
    {
        QFETCH(QSize, size);
        QFETCH(QString, format);
        const QString path = Write("p." + format.toLatin1().toLower(), size, format.toLatin1().constData());
        const QImage thumb = ReadThumbnail(path, QSize(100, 100));
        QCOMPARE(thumb.size(), QSize(100, 100));
        // The file's bottom-up rows come out the right way up.
        QCOMPARE(QColor(thumb.pixel(50, 5)), QColor(255, 0, 0));
        QCOMPARE(QColor(thumb.pixel(50, 95)), QColor(0, 0, 255));
        // The black edge column is averaged in, not dropped, and stays at the left.
        QVERIFY(qRed(thumb.pixel(0, 5)) < 200);
        QCOMPARE(QColor(thumb.pixel(99, 5)), QColor(255, 0, 0));
    }

    void smaller_pictures_are_kept()
    {
        const QString path = Write("small.bmp", QSize(42, 42), "BMP");
        QCOMPARE(ReadThumbnail(path, QSize(100, 100)).size(), QSize(42, 42));
    }

    void truncated_pixels_are_not_read_past_the_file()
    {
        const QString path = Write("t.bmp", QSize(300, 200), "BMP");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() / 2));
        file.close();
        const QImage thumb = ReadThumbnail(path, QSize(100, 100));
        QVERIFY(thumb.isNull() || thumb.size() == QSize(100, 100));
        QVERIFY(ReadThumbnail(m_dir.filePath("missing.bmp"), QSize(100, 100)).isNull());
    }
};

QTEST_GUILESS_MAIN(TestThumbnailReader)
#include "test_thumbnail_reader.moc"
