#pragma once

#include "core/render/color.h"
#include "core/render/picture_format.h"
#include "ui/app/app_name.h"

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The modal pickers and message box the dialogs use. Dialogs take one of these so
// that tests can answer the pickers without opening a window.
class PickerServices {
public:
    virtual ~PickerServices() = default;

    // A colour picker opened on `current`; nothing when the user cancels.
    virtual std::optional<lirovane::Color> PickColor(QWidget* parent, lirovane::Color current) = 0;
    // An open-file chooser offering `filters`; the full path chosen, or nothing when
    // cancelled. It opens in the working directory with `initialName` in its name box and
    // the first filter selected. When `current` (the file the caller holds now, relative
    // names from the working directory) lies in an existing folder, it opens there
    // instead, with that file selected when it exists and the filter that lists it.
    virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& initialName, const QStringList& filters,
                                                const QString& current) = 0;
    // A save-file chooser that asks before overwriting; the path, or nothing when cancelled.
    // It opens in `folder` (the working directory when empty or missing). The filter the
    // user had chosen goes to `selectedFilter` when it is given.
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& initialName, const QStringList& filters,
                                                QString* selectedFilter, const QString& folder) = 0;
    // A message box captioned "Lirovane" with the text, an OK button and no icon.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
};

// The real Qt dialogs.
class QtPickerServices final : public PickerServices {
public:
    std::optional<lirovane::Color> PickColor(QWidget* parent, lirovane::Color current) override;
    std::optional<QString> OpenFileName(QWidget* parent, const QString& initialName, const QStringList& filters,
                                        const QString& current) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& initialName, const QStringList& filters,
                                        QString* selectedFilter, const QString& folder) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
};

// The file filters of every open chooser: text, FASTA (plain or compressed) and all files.
QStringList SequenceFileFilters();
// The filters of a patterns chooser: those of every open chooser, with patterns files
// (start end size lines, Tandem Repeats Finder .dat) second.
QStringList PatternsFileFilters();
// The filter a chooser opened on `fileName` starts with: the first of `filters`, unless
// only a later one lists that name.
QString FilterListing(const QStringList& filters, const QString& fileName);
// The filters of the picture save chooser: BMP (first), PNG, SVG and all files.
QStringList PictureFileFilters();
// The format a picture save chooser's answer asks for: the one the typed name's
// extension names, otherwise the chosen filter's (BMP for any other filter).
lirovane::PictureFormat PictureFormatChosen(const QString& file, const QString& filter);
