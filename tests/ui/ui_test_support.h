#pragma once

// Shared pieces of the window tests: answered pickers, a driver for real modal
// dialogs, a temporary profile folder, and small file helpers.

#include "app/picker_services.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

// Pickers that answer from queues and record what they were asked. A negative colour,
// an empty name or an empty queue answers as a cancel. A chooser moves the working
// directory to `wanderTo` when set, as a real one may while the user browses.
class FakePickers final : public PickerServices {
public:
    QList<qint64> colors;
    QStringList files; // answers of the open and save choosers, in turn
    QStringList messages;
    QList<lirovane::Color> colorRequests;
    QStringList fileInitialNames;
    QList<QStringList> fileFilters;
    QString wanderTo;

    std::optional<lirovane::Color> PickColor(QWidget*, lirovane::Color current) override
    {
        colorRequests << current;
        const qint64 c = colors.isEmpty() ? -1 : colors.takeFirst();
        return c < 0 ? std::nullopt : std::optional(static_cast<lirovane::Color>(c));
    }
    std::optional<QString> OpenFileName(QWidget*, const QString& initialName, const QStringList& filters) override
    {
        fileInitialNames << initialName;
        fileFilters << filters;
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
        const QString f = files.isEmpty() ? QString() : files.takeFirst();
        return f.isEmpty() ? std::nullopt : std::optional(f);
    }
    std::optional<QString> SaveFileName(QWidget* parent, const QString& initialName, const QStringList& filters) override
    {
        return OpenFileName(parent, initialName, filters);
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
};

// Polls for a modal dialog and hands it to `act` once; whatever `act` does, the dialog
// is closed afterwards (and any modal still open after `timeoutMs` is rejected), so
// that exec() always returns. Checks belong after exec() has returned.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> act, int timeoutMs = 10000)
        : m_act(std::move(act)), m_timeoutMs(timeoutMs)
    {
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_clock.start();
        m_timer.start(20);
    }
    bool acted() const { return m_acted; }
    QString title() const { return m_title; }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        const bool late = m_clock.elapsed() > m_timeoutMs;
        if (!modal || late) {
            if (auto* dlg = qobject_cast<QDialog*>(modal))
                dlg->reject();
            else if (late)
                m_timer.stop();
            return;
        }
        if (modal == m_last)
            return;
        m_last = modal;
        m_acted = true;
        m_title = modal->windowTitle();
        if (m_act)
            m_act(modal);
        if (!modal->isVisible())
            return;
        if (auto* dlg = qobject_cast<QDialog*>(modal))
            dlg->reject();
        else
            modal->close();
    }

    std::function<void(QWidget*)> m_act;
    int m_timeoutMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QWidget* m_last = nullptr;
    bool m_acted = false;
    QString m_title;
};

// A profile folder of its own for QSettings' native and ini stores.
class TemporaryProfile {
public:
    TemporaryProfile()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    QString file() const { return m_dir.filePath(QStringLiteral("Lirovane/Lirovane.conf")); }

private:
    QTemporaryDir m_dir;
};

inline QString WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A control by object name; a missing one ends the run with its name.
template <typename W = QWidget> W* Child(const QObject* parent, const char* name)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

// The sample's repeats of a size as start and end lines, as the settings split writes them.
inline std::pair<QByteArray, QByteArray> SampleRepeats(const QByteArray& size)
{
    const QList<QByteArray> n = ReadFile(QStringLiteral(LIROVANE_EXAMPLES "/lambda_phage.pat")).simplified().split(' ');
    std::pair<QByteArray, QByteArray> lines;
    for (qsizetype i = 0; i + 2 < n.size(); i += 3)
        if (n[i + 2] == size) {
            lines.first += n[i] + "\r\n";
            lines.second += n[i + 1] + "\r\n";
        }
    return lines;
}

// A profile as a confirmed settings dialog leaves it.
inline void SeedProfile(const QString& file, const QString& sequence, const QString& patterns, int size, int count)
{
    QSettings seed(file, QSettings::IniFormat);
    seed.beginGroup("Lirovane");
    seed.setValue("SequenceFile", sequence);
    seed.setValue("StartsEndsAndSizesFile", patterns);
    seed.setValue("SizeOfRepeats", size);
    seed.setValue("LetterOrientation", 1);
    const char* const colors[] = {"AsColor", "CsColor", "GsColor", "TsColor"};
    const int values[] = {0x0000FF, 0xFF0000, 0xFFFF00, 0x00FF00};
    for (int i = 0; i < 4; ++i)
        seed.setValue(colors[i], values[i]);
    for (int i = 0; i < 8; ++i)
        seed.setValue(QStringLiteral("Letter%1").arg(i + 1), int("acgtACGT"[i]));
    seed.setValue("NumberOfRepeatsInThisSet", count);
}
