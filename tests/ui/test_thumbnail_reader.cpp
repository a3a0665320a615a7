// Thumbnails read straight from BMP files.

#include "app/thumbnail_reader.h"
#include "ui_test_support.h"

class TestThumbnailReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // A 300 x 200 picture, red over blue, whole or damaged: its rows (stored bottom row
    // first) come out the right way up; a damaged file is refused, or read by Qt's own
    // reader, never read past its end.
    void read_data()
    {
        QTest::addColumn<qint64>("keep");      // bytes kept; negative: all
        QTest::addColumn<int>("patchAt");      // a 32-bit header field set to 100000; 0: none
        QTest::addColumn<QString>("expected"); // the colours at the top and the bottom; empty: either
        QTest::newRow("whole") << qint64(-1) << 0 << "#ff0000 #0000ff";
        QTest::newRow("empty") << qint64(0) << 0 << "null";
        QTest::newRow("header cut off") << qint64(40) << 0 << "null";
        QTest::newRow("pixels cut off") << qint64(90000) << 0 << "";
        QTest::newRow("width beyond the data") << qint64(-1) << 18 << "";
        QTest::newRow("pixels offset beyond the end") << qint64(-1) << 10 << "";
    }
    void read()
    {
        QFETCH(qint64, keep);
        QFETCH(int, patchAt);
        QFETCH(QString, expected);
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < 100; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), 300, qRgb(255, 0, 0));
        const QString path = m_dir.filePath("p.bmp");
        QVERIFY(image.save(path, "BMP"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && (keep < 0 || file.resize(keep)));
        if (patchAt && file.seek(patchAt))
            file.write(QByteArray::fromHex("a0860100")); // 100000, little-endian
        file.close();
        const QImage thumb = ReadThumbnail(path, QSize(100, 100));
        const QString shown = thumb.isNull()                  ? QStringLiteral("null")
                              : thumb.size() != QSize(100, 100) ? QStringLiteral("wrong size")
                                                                : thumb.pixelColor(50, 5).name() + " " +
                                                                      thumb.pixelColor(50, 95).name();
        if (expected.isEmpty())
            QVERIFY2(shown != "wrong size", qPrintable(shown));
        else
            QCOMPARE(shown, expected);
    }
};

QTEST_GUILESS_MAIN(TestThumbnailReader)
#include "test_thumbnail_reader.moc"
