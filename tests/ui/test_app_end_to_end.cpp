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

// 7200 repeats of 60 bases, one every 100 bases of a made-up sequence, as the settings
// split leaves them in the start-up folder (">made up" is 7 positions): a run long enough
// to press keys in. The sequence's path.
constexpr int kRepeats = 7200;
QString WriteInputs(const QTemporaryDir& work)
{
    QByteArray sequence = ">made up\n", starts, ends;
    for (int i = 0; i < kRepeats * 100; ++i)
        sequence += "ACGTTGCA"[(i * 7 + i / 11) % 8];
    for (int i = 0; i < kRepeats; ++i) {
        starts += QByteArray::number(8 + i * 100) + "\r\n";
        ends += QByteArray::number(68 + i * 100) + "\r\n";
    }
    WriteFile(work.filePath("starts.txt"), starts);
    WriteFile(work.filePath("ends.txt"), ends);
    return WriteFile(work.filePath("made_up.fa"), sequence + "\n");
}

// Starts an X server on a free display for the program and xdotool, which inherit it.
bool StartServer(QProcess& server, const QString& xvfb)
{
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!QTest::qWaitFor([&server] { return server.canReadLine(); }, 10000))
        return false;
    qputenv("DISPLAY", ":" + server.readLine().trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

// Gives the program's visible main window the keyboard focus and waits until the X server
// reports it there. Without a window manager the first focus request can come before
// the window is mapped, or be lost to a window that maps later: asked again until it holds.
bool FocusMainWindow()
{
    for (int attempt = 0; attempt < 40; ++attempt, QTest::qWait(250)) {
        const auto found = Xdotool({"search", "--onlyvisible", "--name", "^Lirovane$"});
        if (!found || found->trimmed().isEmpty())
            continue;
        const QByteArray window = found->trimmed().split('\n').first();
        Xdotool({"windowfocus", QString::fromLatin1(window)});
        QTest::qWait(100);
        const auto focused = Xdotool({"getwindowfocus"});
        if (focused && focused->trimmed() == window)
            return true;
    }
    return false;
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
        QTemporaryDir config;
        QTemporaryDir work;
        const QString sequence = WriteInputs(work); // and a profile that confirmed them
        SeedProfile(config.filePath("Lirovane/Lirovane.conf"), Settings(sequence, sequence, 6, kRepeats));

        QProcess server;
        QProcess app;
        const auto stop = qScopeGuard([&] {
            app.kill();
            app.waitForFinished(5000);
            server.terminate();
            server.waitForFinished(5000);
        });
        QVERIFY2(StartServer(server, xvfb), "Xvfb did not start");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        app.setWorkingDirectory(work.path());
        app.start(QStringLiteral(LIROVANE_APP_EXE), {});

        QVERIFY2(FocusMainWindow(), "the main window did not appear or take the keyboard focus");
        QVERIFY(Xdotool({"key", "--clearmodifiers", "ctrl+o"}));
        const QString first = work.filePath("8.bmp");
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

        // The last picture too, linked from the page (what it holds: the offscreen window tests).
        const QByteArray last = QByteArray::number(8 + (kRepeats - 1) * 100) + ".bmp";
        QVERIFY(QFileInfo(work.filePath(last)).size() > 54 && ReadFile(page).contains("<a href=\"" + last + "\">"));
    }
};

QTEST_GUILESS_MAIN(TestAppEndToEnd)
#include "test_app_end_to_end.moc"
