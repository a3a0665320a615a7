#pragma once

#include "core/files/output_file.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// The thumbnail page index.htm of one gallery, written cell by cell as the pictures
// are made and never held in memory.
class GalleryPage {
public:
    // Creates the page and writes its head: the sequence file as given (escaped),
    // the repeat size and the stored count of repeats.
    GalleryPage(const std::filesystem::path& file, std::string_view sequenceFile, int size, int count);
    // A page whose head names the sequence file and then gives `lines` (text, escaped here).
    GalleryPage(const std::filesystem::path& file, std::string_view sequenceFile,
                const std::vector<std::string>& lines);

    // Lists a picture as a cell; every sixth cell starts a new row.
    void AddCell(const std::string& fileName, std::int64_t number);
    // The same with a caption of text (escaped here).
    void AddCell(const std::string& fileName, std::string_view caption);
    // Writes the tail and puts the page in place. Fails, with the earlier page left as
    // it was, when any of it did not reach the disk.
    IoStatus Close();
    // Gives the page up unfinished: the earlier page, if any, stays.
    void Discard() { m_file.Discard(); }

private:
    OutputFile m_file;
    int m_cells = 0;
};

// One size's gallery as the overview page of a several-sizes run lists it.
struct SizeGalleryLink {
    int size = 0;
    int repeats = 0;    // repeats of that size in the patterns file
    int pictures = 0;   // pictures drawn
    std::string folder; // relative to the overview page, e.g. "size-6"
};

// Writes the overview page that links every size's gallery with its count of
// repeats. Fails when the page cannot be written completely (the earlier page stays).
IoStatus WriteSizesPage(const std::filesystem::path& file, std::string_view sequenceFile,
                        const std::vector<SizeGalleryLink>& galleries);

} // namespace lirovane
