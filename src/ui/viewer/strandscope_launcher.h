#pragma once

#include <QString>

#include <optional>

class QWidget;
class PickerServices;
namespace lirovane {
class ProfileStore;
}

// Runs the Strandscope viewer modally over `parent` and returns when it closes.
// The viewer reads only "Path" from the store.
void RunStrandscopeViewer(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store);
// The same, opened on `sequenceFile` at `startIndex` (Show in Strandscope).
void RunStrandscopeViewerAt(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store,
                            const QString& sequenceFile, long long startIndex, bool minusStrand = false);

// Where a gallery picture came from: the sequence file named on its page's
// "Sequence file:" line (index.htm beside the picture), relative names taken from the
// working folder, and the start index of the repeat's first position (the number in
// the picture's name, less one). A feature's picture is found in the features.tsv
// beside it: the start index of its first base, and its strand. Nothing when neither
// gives a position.
struct PictureSource {
    QString sequenceFile; // empty when the page names none
    long long startIndex = 0;
    bool minusStrand = false; // a feature drawn from the minus strand
};
std::optional<PictureSource> SourceOfPicture(const QString& picturePath);
