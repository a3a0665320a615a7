#pragma once

#include "core/render/path_renderer.h"

#include <functional>
#include <string>

namespace lirovane {

class ProfileStore;

// Everything the image batch needs to know, kept for the whole run and stored in the
// profile one key per field. Before LoadSettings every text is empty and every number 0.
struct AppSettings {
    std::string sequenceFile;         // "SequenceFile"
    std::string patternsFile;         // "StartsEndsAndSizesFile"
    int sizeOfRepeats = 0;            // "SizeOfRepeats"
    int letterOrientation = 0;        // "LetterOrientation"; 0 marks a first run
    SlotColors colors{};              // "AsColor", "CsColor", "GsColor", "TsColor": slots Left, Up, Down, Right
    LetterTable letters{};            // "Letter1" .. "Letter8"
    int numberOfRepeatsInThisSet = 0; // "NumberOfRepeatsInThisSet"

    // The letter table and the four slot colours, as every drawing takes them.
    PathStyle Style() const noexcept;
    // Sets "LetterOrientation"; 1, 2 or 3 also rewrite the letter table, any other value keeps it.
    void SetOrientation(int orientation) noexcept;
    // The first-run defaults: size 43, orientation 1, red, blue, cyan, green,
    // letters a c g t A C G T, count 0; the two paths are left as they are.
    void SetFirstRunDefaults() noexcept;
};

// Writes the current working directory under "Path" (every start), reads
// "LetterOrientation", then either reads every other key or, on a first run,
// installs the defaults and calls `firstRunFlow` (the settings dialog flow).
void LoadSettings(AppSettings& settings, ProfileStore& store, const std::function<void()>& firstRunFlow);

// Writes every field (not "Path") in the fixed order.
void SaveSettings(const AppSettings& settings, ProfileStore& store);

} // namespace lirovane
