// Thumbnails read straight from BMP files: the right way up, and damaged files refused
// without reading past their end.

#include "app/thumbnail_reader.h"
#include "ui_test_support.h"

class TestThumbnailReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // The rows, stored bottom row first, come out the right way up.
    void reads_the_right_way_up()
    {
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::blue); // the bottom half blue, the top half red
        for (int y = 0; y < 100; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), 300, qRgb(255, 0, 0));
        QVERIFY(image.save(m_dir.filePath("p.bmp"), "BMP"));
        const QImage thumb = ReadThumbnail(m_dir.filePath("p.bmp"), QSize(100, 100));
        QCOMPARE(thumb.size(), QSize(100, 100));
        QCOMPARE(thumb.pixelColor(50, 5), QColor(255, 0, 0));
        QCOMPARE(thumb.pixelColor(50, 95), QColor(0, 0, 255));
    }

    void damaged_files_data()
    {
        QTest::addColumn<qint64>("keep");  // bytes kept; negative: all
        QTest::addColumn<int>("patchAt");  // a 32-bit header field set to 100000; 0: none
        QTest::newRow("empty") << qint64(0) << 0;
        QTest::newRow("header cut off") << qint64(40) << 0;
        QTest::newRow("pixels cut off") << qint64(90000) << 0;
        QTest::newRow("width beyond the data") << qint64(-1) << 18;
        QTest::newRow("pixels offset beyond the end") << qint64(-1) << 10;
    }
    void damaged_files()
    {
        QFETCH(qint64, keep);
        QFETCH(int, patchAt);
        const QString path = m_dir.filePath("damaged.bmp");
        QImage blank(300, 200, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(blank.save(path, "BMP"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (keep >= 0)
            QVERIFY(file.resize(keep));
        if (patchAt && file.seek(patchAt))
            file.write(QByteArray::fromHex("a0860100")); // 100000, little-endian
        file.close();
        const QImage thumb = ReadThumbnail(path, QSize(100, 100));
        QVERIFY(thumb.isNull() || thumb.size() == QSize(100, 100));
        if (keep >= 0 && keep < 54)
            QVERIFY(thumb.isNull());
    }
};

QTEST_GUILESS_MAIN(TestThumbnailReader)
#include "test_thumbnail_reader.moc"
