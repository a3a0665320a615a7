// The real program on a real X server: started with a seeded profile, given Ctrl+O
// by the X server's test extension (xdotool under Xvfb), it writes the pictures and
// the page. Nothing in the program is there for the test.

#include "ui_test_support.h"

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

} // namespace

class TestAppEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void ctrl_o_writes_the_gallery()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs Xvfb and xdotool");
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);
        QTemporaryDir config;
        QTemporaryDir work;
        // A confirmed profile, and what its settings split left in the start-up directory.
        const auto [starts, ends] = SampleRepeats("6");
        WriteFile(work.filePath("starts.txt"), starts);
        WriteFile(work.filePath("ends.txt"), ends);
        SeedProfile(config.filePath("Lirovane/Lirovane.conf"),
                    Settings(examples + "/lambda_phage.fa", examples + "/lambda_phage.pat", 6, 24));

        QProcess server;
        server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
        // The program and xdotool inherit these.
        qputenv("DISPLAY", ":" + server.readLine().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QProcess app;
        app.setWorkingDirectory(work.path());
        app.start(QStringLiteral(LIROVANE_APP_EXE), {});

        const QString page = work.filePath("index.htm");
        const auto window = Xdotool({"search", "--sync", "--name", "^Lirovane$"});
        if (window && Xdotool({"windowfocus", "--sync", QString::fromLatin1(window->split('\n').first())}) &&
            Xdotool({"key", "--clearmodifiers", "ctrl+o"}))
            QTRY_VERIFY_WITH_TIMEOUT(ReadFile(page).endsWith("</table></body></html>"), 60000);
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(window, "the main window did not appear");

        const QByteArray html = ReadFile(page);
        QVERIFY(html.contains("Number of repeats: 24<br>"));
        for (const QByteArray& start : starts.simplified().split(' ')) {
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
