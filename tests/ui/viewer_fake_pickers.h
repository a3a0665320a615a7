#pragma once

#include "app/picker_services.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

// Pickers that answer from queues and record what they were asked. A chooser moves
// the working directory to `wanderTo`, as a real one may while the user browses.
class ViewerFakePickers final : public PickerServices {
public:
    std::deque<std::optional<lirovane::Color>> colors;
    // A null QString answers as a cancelled chooser.
    QStringList openAnswers;
    QStringList saveAnswers;
    QStringList messages;
    QList<lirovane::Color> colorsOffered;
    QString lastInitialName;
    QStringList lastFilters;
    QString wanderTo;

    std::optional<lirovane::Color> PickColor(QWidget*, lirovane::Color current) override
    {
        colorsOffered.append(current);
        return Take(colors);
    }
    std::optional<QString> OpenFileName(QWidget*, const QString& initialName, const QStringList& filters) override
    {
        return Choose(openAnswers, initialName, filters);
    }
    std::optional<QString> SaveFileName(QWidget*, const QString& initialName, const QStringList& filters) override
    {
        return Choose(saveAnswers, initialName, filters);
    }
    void ShowMessage(QWidget*, const QString& text) override { messages.append(text); }

private:
    template <typename T>
    static std::optional<T> Take(std::deque<std::optional<T>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
    std::optional<QString> Choose(QStringList& queue, const QString& initialName, const QStringList& filters)
    {
        lastInitialName = initialName;
        lastFilters = filters;
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
        if (queue.isEmpty() || queue.front().isNull()) {
            if (!queue.isEmpty())
                queue.pop_front();
            return std::nullopt;
        }
        return queue.takeFirst();
    }
};
