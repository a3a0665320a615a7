// The real program on a real X server: started with a seeded profile, given Ctrl+O
// by the X server's test extension (xdotool under Xvfb), it writes the pictures and
// the page. A second Ctrl+O and a Ctrl+C pressed while it runs are dropped, not carried
// out after the run. Nothing in the program is there for the test.

#include "ui_test_support.h"

#include <sys/stat.h>

namespace {

// xdotool with a time limit (its --sync waits as long as it takes): its output, or
// nothing when it failed.
std::optional<QByteArray> Xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable("xdotool"), args);
    if (!p.waitForFinished(15000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// The sample's sequence `copies` times over in one record, and its repeats of a size in
// every copy as start and end lines: a run long enough to press keys in.
struct Repeated {
    QByteArray sequence, starts, ends;
};
Repeated RepeatSample(const QByteArray& size, int copies)
{
    const QByteArray fasta = ReadFile(QStringLiteral(LIROVANE_EXAMPLES "/lambda_phage.fa"));
    const QByteArray body = fasta.mid(fasta.indexOf('\n') + 1);
    const auto step = std::count_if(body.begin(), body.end(), [](char c) { return !std::isspace(c); });
    const auto [starts, ends] = SampleRepeats(size);
    Repeated r{fasta, {}, {}};
    for (int k = 0; k < copies; ++k) {
        if (k > 0)
            r.sequence += body;
        for (const QByteArray& s : starts.simplified().split(' '))
            r.starts += QByteArray::number(s.toLongLong() + k * step) + "\r\n";
        for (const QByteArray& e : ends.simplified().split(' '))
            r.ends += QByteArray::number(e.toLongLong() + k * step) + "\r\n";
    }
    return r;
}

// The file's inode: a file replaced (a picture written again) has another.
ino_t Inode(const QString& file)
{
    struct stat st = {};
    return stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestAppEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void ctrl_o_writes_the_gallery_once()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs Xvfb and xdotool");
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);
        QTemporaryDir config;
        QTemporaryDir work;
        // A confirmed profile, and what its settings split left in the start-up directory.
        const int copies = 300;
        const Repeated input = RepeatSample("6", copies);
        WriteFile(work.filePath("starts.txt"), input.starts);
        WriteFile(work.filePath("ends.txt"), input.ends);
        const QString sequence = WriteFile(work.filePath("lambda_x300.fa"), input.sequence);
        SeedProfile(config.filePath("Lirovane/Lirovane.conf"),
                    Settings(sequence, examples + "/lambda_phage.pat", 6, 24 * copies));

        QProcess server;
        QProcess app;
        const auto stop = qScopeGuard([&] {
            app.kill();
            app.waitForFinished(5000);
            server.terminate();
            server.waitForFinished(5000);
        });
        server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
        // The program and xdotool inherit these.
        qputenv("DISPLAY", ":" + server.readLine().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        app.setWorkingDirectory(work.path());
        app.start(QStringLiteral(LIROVANE_APP_EXE), {});

        const auto window = Xdotool({"search", "--sync", "--name", "^Lirovane$"});
        QVERIFY2(window, "the main window did not appear");
        QVERIFY(Xdotool({"windowfocus", "--sync", QString::fromLatin1(window->split('\n').first())}) &&
                Xdotool({"key", "--clearmodifiers", "ctrl+o"}));
        const QString first = work.filePath(input.starts.left(input.starts.indexOf('\r')) + ".bmp");
        QTRY_VERIFY_WITH_TIMEOUT(Inode(first) != 0, 20000);
        const ino_t drawn = Inode(first);
        // While it runs, the count and Cancel show beside the window.
        const bool beside = Xdotool({"search", "--name", "^Create images$"}).has_value();
        QVERIFY(Xdotool({"key", "--clearmodifiers", "ctrl+o", "ctrl+c"}));
        const QString page = work.filePath("index.htm");
        if (QFileInfo::exists(page))
            QSKIP("the run ended before the keys were pressed");
        QVERIFY(beside);
        QTRY_VERIFY_WITH_TIMEOUT(ReadFile(page).endsWith("</table></body></html>"), 60000);
        QTest::qWait(1500);
        // A second run would have written the pictures again; the viewer would be open.
        QCOMPARE(Inode(first), drawn);
        QVERIFY(!Xdotool({"search", "--name", "^Strandscope$"}));
        QVERIFY(!Xdotool({"search", "--name", "^Create images$"}));

        const QByteArray html = ReadFile(page);
        QVERIFY(html.contains("Number of repeats: 7200<br>"));
        for (const QByteArray& start : SampleRepeats("6").first.simplified().split(' ')) {
            const QByteArray name = start + ".bmp";
            QVERIFY2(QFileInfo(work.filePath(name)).size() > 54 && html.contains("<a href=\"" + name + "\">"),
                     name.constData());
        }
        QSettings profile(config.filePath("Lirovane/Lirovane.conf"), QSettings::IniFormat);
        QCOMPARE(QDir(profile.value("Lirovane/Path").toString()).canonicalPath(), QDir(work.path()).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(TestAppEndToEnd)
#include "test_app_end_to_end.moc"
