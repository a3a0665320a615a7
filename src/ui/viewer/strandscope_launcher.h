#pragma once

#include "core/render/path_renderer.h"

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

// Where Show in Strandscope opens the viewer: a sequence file at a repeat, drawn in the
// look of the gallery it came from, with the repeat's stretch marked.
struct ViewerTarget {
    QString sequenceFile;
    long long startIndex = 0;               // tokens before the repeat's first position
    std::optional<long long> stretchTokens; // tokens of the stretch drawn; nothing: unknown
    int orientation = 1;
    lirovane::SlotColors colors = lirovane::kDefaultColors;
    bool minusStrand = false; // a feature drawn from its reverse complement
    bool fitRecord = false;   // the whole record at once (an overview's picture), unmarked
};
void RunStrandscopeViewerAt(QWidget* parent, PickerServices& pickers, lirovane::ProfileStore& store,
                            const ViewerTarget& target);
