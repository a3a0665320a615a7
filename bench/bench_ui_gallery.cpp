// Opening a gallery page of thumbnails in the view's browser, offscreen: time and peak
// memory for 3,000 thumbnails against a page of 100, each case in a process of its own.
// Every thumbnail is painted (as when the user scrolls through the whole page).
//
//   bench_ui_gallery            runs both cases and prints the figures and ratios
//   bench_ui_gallery N [reference]   one case of N thumbnails (used by the above);
//                                    "reference" uses a plain QTextBrowser

#include "ui/app/web_browser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

long StatusKb(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

// Writes a gallery like the batch's: pictures of 300 x 200 named by number, six to a row.
QString WriteGallery(const QString& dir, int pictures)
{
    QImage picture(300, 200, QImage::Format_RGB888);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLine(20, 100, 280, 100);
    painter.setPen(QPen(Qt::blue, 2));
    painter.drawLine(150, 20, 150, 180);
    painter.end();
    const QString first = dir + "/1.bmp";
    picture.save(first, "BMP");
    QByteArray html = "<html><body><br>Sequence file: bench.fa<br>\r\nConsensus size: 2<br>\r\n"
                      "Number of repeats: " +
                      QByteArray::number(pictures) + "<br>\r\n<table><tr>";
    for (int i = 1; i <= pictures; ++i) {
        const QByteArray name = QByteArray::number(i) + ".bmp";
        if (i > 1)
            link(first.toLocal8Bit().constData(), (dir + "/" + name).toLocal8Bit().constData()); // one file, many names
        html += "<td><center><a href=\"" + name + "\"><img width=100 height=100 src=" + name + "></a><br>" +
                QByteArray::number(i) + "</center></td>";
        if (i % 6 == 0)
            html += "</tr><tr>";
    }
    html += "</table></body></html>";
    QFile page(dir + "/index.htm");
    page.open(QIODevice::WriteOnly);
    page.write(html);
    return page.fileName();
}

// `reference`: a plain QTextBrowser, which keeps every picture at full size.
int RunCase(int pictures, bool reference)
{
    QTemporaryDir dir;
    const QString page = WriteGallery(dir.path(), pictures);
    CWebBrowser2 ours;
    QTextBrowser plain;
    QTextBrowser& browser = reference ? plain : ours;
    browser.resize(800, 600);
    browser.show();
    const long before = StatusKb("VmRSS:");

    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    if (reference)
        plain.setSource(QUrl::fromLocalFile(page));
    else
        ours.Navigate(QUrl::fromLocalFile(page).toString());
    browser.grab(); // the first screen
    const double firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // Paint the whole page, one screen at a time, so that every thumbnail is loaded.
    QImage screen(800, 600, QImage::Format_RGB32);
    const int height = static_cast<int>(browser.document()->size().height());
    for (int y = 0; y < height; y += 600) {
        QPainter painter(&screen);
        painter.translate(0, -y);
        browser.document()->drawContents(&painter, QRectF(0, y, 800, 600));
    }
    const double allMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    const long peak = StatusKb("VmHWM:");
    std::printf("%d %.1f %.1f %.1f %ld %ld %d %d\n", pictures, firstMs, allMs, cpuMs, before, peak,
                ours.decodedImages(), ours.reducedImages());
    return 0;
}

struct Figures {
    int pictures = 0;
    double firstMs = 0;
    double allMs = 0;
    double cpuMs = 0;
    long beforeKb = 0;
    long peakKb = 0;
    int decoded = 0;
    int reduced = 0;
};

bool Measure(const QString& self, int pictures, Figures& f, bool reference = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(self,
            reference ? QStringList{QString::number(pictures), "reference"} : QStringList{QString::number(pictures)});
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
        return false;
    const QList<QByteArray> v = p.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 8)
        return false;
    f = {v[0].toInt(),  v[1].toDouble(), v[2].toDouble(), v[3].toDouble(),
         v[4].toLong(), v[5].toLong(),   v[6].toInt(),    v[7].toInt()};
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 2) {
        QApplication app(argc, argv);
        return RunCase(QByteArray(argv[1]).toInt(), argc > 2);
    }
    QCoreApplication app(argc, argv);
    Figures small;
    Figures large;
    Figures plainSmall;
    Figures plainLarge;
    const QString self = QCoreApplication::applicationFilePath();
    // The reference stops at 1000 pictures: at full size 3000 would take about 750 MB.
    if (!Measure(self, 100, small) || !Measure(self, 3000, large) || !Measure(self, 100, plainSmall, true) ||
        !Measure(self, 1000, plainLarge, true)) {
        std::fprintf(stderr, "a case failed\n");
        return 1;
    }
    for (const Figures& f : {small, large})
        std::printf("%5d thumbnails: first screen %7.1f ms, all painted %7.1f ms (CPU %7.1f ms), peak %6.1f MB "
                    "(%d decoded, %d at thumbnail size)\n",
                    f.pictures, f.firstMs, f.allMs, f.cpuMs, double(f.peakKb) / 1024.0, f.decoded, f.reduced);
    std::printf("reference, plain QTextBrowser: %d pictures %.1f ms (CPU %.1f ms), peak %.1f MB; "
                "%d pictures %.1f ms (CPU %.1f ms), peak %.1f MB\n",
                plainSmall.pictures, plainSmall.allMs, plainSmall.cpuMs, double(plainSmall.peakKb) / 1024.0,
                plainLarge.pictures, plainLarge.allMs, plainLarge.cpuMs, double(plainLarge.peakKb) / 1024.0);
    const double perThumbKb = double(large.peakKb - small.peakKb) / double(large.pictures - small.pictures);
    const double plainPerPictureKb =
        double(plainLarge.peakKb - plainSmall.peakKb) / double(plainLarge.pictures - plainSmall.pictures);
    std::printf("memory per picture: %.1f KB here, %.1f KB in the plain browser (%.1fx less); "
                "CPU per picture: %.3f ms here, %.3f ms plain\n",
                perThumbKb, plainPerPictureKb, plainPerPictureKb / perThumbKb, large.cpuMs / large.pictures,
                plainLarge.cpuMs / plainLarge.pictures);
    std::printf("time 3000/100: %.1fx wall, %.1fx CPU; memory growth per thumbnail: %.1f KB\n",
                large.allMs / small.allMs, large.cpuMs / small.cpuMs, perThumbKb);
    std::printf("targets: 3000 in <= 1500 ms: %s; peak <= 250 MB: %s; growth <= 60 KB: %s\n",
                large.allMs <= 1500 ? "met" : "MISSED", large.peakKb <= 250 * 1024 ? "met" : "MISSED",
                perThumbKb <= 60 ? "met" : "MISSED");
    return 0;
}
