// The real program on a real X server: started with a seeded profile, given Ctrl+O
// by the X server's test extension (xdotool under Xvfb), it writes the pictures and
// the page. Nothing in the program is there for the test.

#include "ui_test_support.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

bool Run(const QString& program, const QStringList& args, const QProcessEnvironment& env, QByteArray* out,
         int timeoutMs = 15000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput().trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestAppEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void ctrl_o_writes_the_gallery()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("needs Xvfb and xdotool");
        const QString examples = QStringLiteral(LIROVANE_EXAMPLES);

        QTemporaryDir config;
        QTemporaryDir work;
        // A confirmed profile, and what its settings split left in the start-up directory.
        const auto [starts, ends] = SampleRepeats("6");
        WriteFile(work.filePath("starts.txt"), starts);
        WriteFile(work.filePath("ends.txt"), ends);
        SeedProfile(config.filePath("Lirovane/Lirovane.conf"), examples + "/lambda_phage.fa",
                    examples + "/lambda_phage.pat", 6, 24);

        QProcess server;
        server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY(server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
        const QString display = ":" + QString::fromLatin1(server.readLine().trimmed());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", config.path());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(work.path());
        app.start(QStringLiteral(LIROVANE_APP_EXE), {});
        QVERIFY(app.waitForStarted());

        QByteArray window;
        const bool found = Run(xdotool, {"search", "--sync", "--name", "^Lirovane$"}, env, &window);
        if (found) {
            window = window.split('\n').first();
            QVERIFY(Run(xdotool, {"windowfocus", "--sync", QString::fromLatin1(window)}, env, nullptr));
            QVERIFY(Run(xdotool, {"key", "--clearmodifiers", "ctrl+o"}, env, nullptr));
        }
        const QString page = work.filePath("index.htm");
        if (found)
            QTRY_VERIFY_WITH_TIMEOUT(ReadFile(page).endsWith("</table></body></html>"), 60000);
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(found, "the main window did not appear");

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
