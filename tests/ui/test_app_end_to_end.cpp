// The real program on a real X server: started with a seeded profile, given Ctrl+O
// by the X server's test extension (xdotool under Xvfb), it writes the pictures and
// the page. Nothing in the program is there for the test.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
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
        QFile pat(examples + "/lambda_phage.pat");
        QVERIFY(pat.open(QIODevice::ReadOnly));
        const QList<QByteArray> numbers = pat.readAll().simplified().split(' ');
        QStringList starts;
        QByteArray startsText;
        QByteArray endsText;
        for (qsizetype i = 0; i + 2 < numbers.size(); i += 3) {
            if (numbers[i + 2] == "6") {
                starts << QString::fromLatin1(numbers[i]);
                startsText += numbers[i] + "\r\n";
                endsText += numbers[i + 1] + "\r\n";
            }
        }
        QCOMPARE(starts.size(), 24);
        for (const auto& [name, text] : {std::pair{"starts.txt", startsText}, std::pair{"ends.txt", endsText}}) {
            QFile f(work.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        {
            QSettings seed(config.filePath("Lirovane/Lirovane.conf"), QSettings::IniFormat);
            seed.beginGroup("Lirovane");
            const QList<std::pair<const char*, QVariant>> values = {
                {"SequenceFile", examples + "/lambda_phage.fa"},
                {"StartsEndsAndSizesFile", examples + "/lambda_phage.pat"},
                {"SizeOfRepeats", 6},
                {"LetterOrientation", 1},
                {"AsColor", 0x0000FF},
                {"CsColor", 0xFF0000},
                {"GsColor", 0xFFFF00},
                {"TsColor", 0x00FF00},
                {"NumberOfRepeatsInThisSet", 24}};
            for (const auto& [key, value] : values)
                seed.setValue(key, value);
            for (int i = 0; i < 8; ++i)
                seed.setValue(QStringLiteral("Letter%1").arg(i + 1), int("acgtACGT"[i]));
        }

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
        auto pageDone = [&page] {
            QFile f(page);
            return f.open(QIODevice::ReadOnly) && f.readAll().endsWith("</table></body></html>");
        };
        if (found)
            QTRY_VERIFY_WITH_TIMEOUT(pageDone(), 60000);
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(found, "the main window did not appear");

        QFile f(page);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray html = f.readAll();
        QVERIFY(html.contains("Number of repeats: 24<br>"));
        for (const QString& start : starts) {
            QVERIFY2(QFileInfo(work.filePath(start + ".bmp")).size() > 54, qPrintable(start));
            QVERIFY(html.contains(QString("<a href=\"%1.bmp\">").arg(start).toLatin1()));
        }
        QSettings profile(config.filePath("Lirovane/Lirovane.conf"), QSettings::IniFormat);
        QCOMPARE(QDir(profile.value("Lirovane/Path").toString()).canonicalPath(), QDir(work.path()).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(TestAppEndToEnd)
#include "test_app_end_to_end.moc"
