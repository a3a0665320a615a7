#pragma once

// Shared pieces of the window tests: answered pickers, a driver for real modal
// dialogs, and a temporary profile folder.

#include "app/picker_services.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>

// Pickers that answer from queues (an empty name or a negative colour is a cancel;
// an empty queue cancels too) and record what they were asked.
class FakePickers final : public PickerServices {
public:
    QList<qint64> colors;
    QStringList files;
    QStringList messages;
    QList<lirovane::Color> colorRequests;
    QStringList fileInitialNames;
    QList<QStringList> fileFilters;

    std::optional<lirovane::Color> PickColor(QWidget*, lirovane::Color current) override
    {
        colorRequests << current;
        const qint64 c = colors.isEmpty() ? -1 : colors.takeFirst();
        if (c < 0)
            return std::nullopt;
        return static_cast<lirovane::Color>(c);
    }
    std::optional<QString> OpenFileName(QWidget*, const QString& initialName, const QStringList& filters) override
    {
        fileInitialNames << initialName;
        fileFilters << filters;
        const QString f = files.isEmpty() ? QString() : files.takeFirst();
        if (f.isEmpty())
            return std::nullopt;
        return f;
    }
    std::optional<QString> SaveFileName(QWidget* parent, const QString& initialName,
                                        const QStringList& filters) override
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
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_clock.start();
        m_timer.start();
    }
    bool acted() const { return m_acted; }
    QString title() const { return m_title; }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (m_clock.elapsed() > m_timeoutMs)
                m_timer.stop();
            return;
        }
        if (m_clock.elapsed() > m_timeoutMs) {
            if (auto* dlg = qobject_cast<QDialog*>(modal))
                dlg->reject();
            return;
        }
        if (modal == m_last)
            return;
        m_last = modal;
        m_acted = true;
        m_title = modal->windowTitle();
        if (m_act)
            m_act(modal);
        if (modal->isVisible()) {
            if (auto* dlg = qobject_cast<QDialog*>(modal))
                dlg->reject();
            else
                modal->close();
        }
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
    QString path() const { return m_dir.path(); }
    QString file() const { return m_dir.filePath(QStringLiteral("Lirovane/Lirovane.conf")); }

private:
    QTemporaryDir m_dir;
};
