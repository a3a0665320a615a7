// A gallery page of thumbnails in the view's browser, offscreen, each case in a process
// of its own: from Navigate to the first screen painted, peak memory, the slowest frame
// while scrolling over thumbnails already decoded, and Back from a picture to the page.
//
//   bench_ui_gallery                 the cases of 3,000 and 100,000 cells, and the ratios
//   bench_ui_gallery N [reference]   one case of N cells (used by the above); "reference"
//                                    lays the page out as a document, as the browser shows
//                                    any other page

#include "ui/app/thumbnail_view.h"
#include "ui/app/web_browser.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <time.h>
#include <unistd.h>
#include <vector>

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

// A gallery as the batch writes it: pictures of 300 x 200 named by number, six to a row
// (one file under many names, so that 100,000 cells cost no disk).
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
            link(first.toLocal8Bit().constData(), (dir + "/" + name).toLocal8Bit().constData());
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

// CPU time of the process: on a machine shared with other work, the steadier figure.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Ms(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

int RunCase(int cells, bool reference)
{
    QTemporaryDir dir;
    const QString page = WriteGallery(dir.path(), cells);
    const QUrl url = QUrl::fromLocalFile(page);
    CWebBrowser2 browser;
    browser.setThumbnailPages(!reference);
    browser.resize(800, 600);
    browser.show();
    QApplication::processEvents();
    const long before = StatusKb("VmRSS:");

    QElapsedTimer clock;
    clock.start();
    double cpu = CpuMs();
    browser.Navigate(url.toString());
    browser.grab(); // the first screen
    const double firstMs = Ms(clock);
    const double firstCpuMs = CpuMs() - cpu;
    const long afterFirst = StatusKb("VmHWM:");

    // Scroll over the first 40 screens (or the whole page), so their thumbnails are decoded,
    // then over them again: the slowest frame of the second pass.
    QAbstractScrollArea* view = reference ? static_cast<QAbstractScrollArea*>(&browser) : browser.thumbnailView();
    QScrollBar* bar = view->verticalScrollBar();
    const int end = std::min(bar->maximum(), 40 * 600);
    for (int y = 0; y <= end; y += 300) {
        bar->setValue(y);
        view->viewport()->repaint();
        QApplication::processEvents();
        view->viewport()->repaint();
    }
    // A frame that the shared machine preempted says nothing of the page: the 99th percentile.
    std::vector<double> frames;
    for (int y = end; y >= 0; y -= 40) {
        bar->setValue(y);
        clock.restart();
        view->viewport()->repaint();
        frames.push_back(Ms(clock));
    }
    std::sort(frames.begin(), frames.end());
    const double slowest = frames[frames.size() * 99 / 100];

    // A picture from the middle of what was seen, then Back to the page at its place.
    bar->setValue(end / 2);
    browser.Navigate(QUrl::fromLocalFile(dir.path() + "/7.bmp").toString());
    browser.grab();
    clock.restart();
    cpu = CpuMs();
    browser.GoBack();
    browser.grab();
    const double backMs = Ms(clock);
    const double backCpuMs = CpuMs() - cpu;
    view = reference ? static_cast<QAbstractScrollArea*>(&browser) : browser.thumbnailView();
    if (view->verticalScrollBar()->value() != end / 2)
        std::fprintf(stderr, "Back lost the scroll position\n");
    const long peak = StatusKb("VmHWM:");
    std::printf("%d %.1f %.1f %.2f %.1f %.1f %ld %ld %ld\n", cells, firstMs, firstCpuMs, slowest, backMs, backCpuMs,
                before, afterFirst, peak);
    return 0;
}

struct Figures {
    int cells = 0;
    double firstMs = 0;
    double firstCpuMs = 0;
    double slowestFrameMs = 0;
    double backMs = 0;
    double backCpuMs = 0;
    long beforeKb = 0;
    long firstPeakKb = 0;
    long peakKb = 0;
};

bool Measure(const QString& self, int cells, Figures& f, bool reference = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(self, reference ? QStringList{QString::number(cells), "reference"} : QStringList{QString::number(cells)});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    const QList<QByteArray> v = p.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 9)
        return false;
    f = {v[0].toInt(),    v[1].toDouble(), v[2].toDouble(), v[3].toDouble(), v[4].toDouble(),
         v[5].toDouble(), v[6].toLong(),   v[7].toLong(),   v[8].toLong()};
    return true;
}

// The best of `rounds` runs of a case (peak memory: the largest).
bool Best(const QString& self, int cells, int rounds, Figures& best, bool reference = false)
{
    for (int i = 0; i < rounds; ++i) {
        Figures f;
        if (!Measure(self, cells, f, reference))
            return false;
        if (i == 0) {
            best = f;
            continue;
        }
        best.firstMs = std::min(best.firstMs, f.firstMs);
        best.firstCpuMs = std::min(best.firstCpuMs, f.firstCpuMs);
        best.slowestFrameMs = std::min(best.slowestFrameMs, f.slowestFrameMs);
        best.backMs = std::min(best.backMs, f.backMs);
        best.backCpuMs = std::min(best.backCpuMs, f.backCpuMs);
        best.peakKb = std::max(best.peakKb, f.peakKb);
    }
    return true;
}

void Print(const char* what, const Figures& f)
{
    std::printf("%-26s %6d cells: first paint %7.1f ms (CPU %7.1f ms), Back %7.1f ms (CPU %7.1f ms), "
                "cached frames (99th percentile) %5.2f ms, memory %6.1f MB at first paint, peak %6.1f MB\n",
                what, f.cells, f.firstMs, f.firstCpuMs, f.backMs, f.backCpuMs, f.slowestFrameMs,
                double(f.firstPeakKb) / 1024.0, double(f.peakKb) / 1024.0);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 2) {
        QApplication app(argc, argv);
        return RunCase(QByteArray(argv[1]).toInt(), argc > 2);
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    Figures small;
    Figures large;
    Figures huge;
    Figures plain;
    // The same page of 3,000 cells laid out as a document, as before, for comparison.
    if (!Best(self, 100, 3, small) || !Best(self, 3000, 3, large) || !Best(self, 100000, 2, huge) ||
        !Best(self, 3000, 1, plain, true)) {
        std::fprintf(stderr, "a case failed\n");
        return 1;
    }
    Print("thumbnail view", small);
    Print("thumbnail view", large);
    Print("thumbnail view", huge);
    Print("document layout (before)", plain);
    std::printf("first paint 3000 / 100 cells: %.2f; 100000 / 3000: %.2f; before / now at 3000 cells: %.1f "
                "(first paint), %.1f (Back)\n",
                large.firstMs / small.firstMs, huge.firstMs / large.firstMs, plain.firstMs / large.firstMs,
                plain.backMs / large.backMs);
    std::printf(
        "targets (wall time): 3000 cells <= 200 ms: %s; 100000 cells <= 500 ms: %s; 100000-cell peak <= 300 MB: "
        "%s; cached frames <= 16 ms: %s; Back <= first paint: %s\n",
        large.firstMs <= 200 ? "met" : "MISSED", huge.firstMs <= 500 ? "met" : "MISSED",
        huge.peakKb <= 300 * 1024 ? "met" : "MISSED",
        std::max(large.slowestFrameMs, huge.slowestFrameMs) <= 16 ? "met" : "MISSED",
        large.backMs <= large.firstMs && huge.backMs <= huge.firstMs ? "met" : "MISSED");
    return 0;
}
