#pragma once

// Shared pieces of the window tests: answered pickers, a driver for real modal
// dialogs, a temporary profile folder, and small file helpers. It brings in the Qt
// modules every test uses.

#include "core/settings/app_settings.h"
#include "ui/app/picker_services.h"
#include "ui/app/qsettings_profile_store.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <optional>

// Pickers that answer from queues and record what they were asked. A negative colour,
// an empty name or an empty queue answers as a cancel. A chooser moves the working
// directory to `wanderTo` when set, as a real one may while the user browses.
class FakePickers final : public PickerServices {
public:
    QList<qint64> colors;
    QStringList files;       // answers of the open and save choosers, in turn
    QStringList saveFilters; // filters the save chooser answers with, in turn; the first offered when empty
    QStringList messages;
    QList<lirovane::Color> colorRequests;
    QStringList fileInitialNames;
    QList<QStringList> fileFilters;
    QStringList fileCurrents; // the file each open chooser was to open at, the folder of each save chooser
    QString wanderTo;

    std::optional<lirovane::Color> PickColor(QWidget*, lirovane::Color current) override
    {
        colorRequests << current;
        const qint64 c = colors.isEmpty() ? -1 : colors.takeFirst();
        return c < 0 ? std::nullopt : std::optional(static_cast<lirovane::Color>(c));
    }
    std::optional<QString> OpenFileName(QWidget*, const QString& initialName, const QStringList& filters,
                                        const QString& current) override
    {
        fileCurrents << current;
        fileInitialNames << initialName;
        fileFilters << filters;
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
        const QString f = files.isEmpty() ? QString() : files.takeFirst();
        return f.isEmpty() ? std::nullopt : std::optional(f);
    }
    std::optional<QString> SaveFileName(QWidget* parent, const QString& initialName, const QStringList& filters,
                                        QString* selectedFilter, const QString& folder) override
    {
        if (selectedFilter != nullptr)
            *selectedFilter = !saveFilters.isEmpty() ? saveFilters.takeFirst() : filters.value(0);
        return OpenFileName(parent, initialName, filters, folder);
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
};

// Hands the next modal dialog to `act` once it shows, and closes it afterwards if `act`
// left it open, so that exec() always returns. Checks belong after exec() has returned.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            m_last = modal;
            m_title = modal->windowTitle();
            if (m_act)
                m_act(modal);
            if (auto* dialog = qobject_cast<QDialog*>(m_last); dialog && dialog->isVisible())
                dialog->reject();
        });
        m_timer.start(20);
    }
    QString title() const { return m_title; }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QString m_title;
};

// Shows `window` and makes it the active one, as a click on it does.
inline bool ShowActive(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

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

// Settings as the first run gives them, on these files.
inline lirovane::AppSettings Settings(const QString& sequence, const QString& patterns, int size = 43, int count = 0)
{
    lirovane::AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.sequenceFile = QFile::encodeName(sequence).toStdString();
    settings.patternsFile = QFile::encodeName(patterns).toStdString();
    settings.sizeOfRepeats = size;
    settings.numberOfRepeatsInThisSet = count;
    return settings;
}

// A profile as a confirmed settings dialog leaves it, written by the program's own store.
inline void SeedProfile(const QString& file, const lirovane::AppSettings& settings)
{
    QSettingsProfileStore store(file);
    lirovane::SaveSettings(settings, store);
}
