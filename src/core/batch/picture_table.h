#pragma once

#include "core/batch/image_batch.h"
#include "core/intervals/trf_dat.h"
#include "core/render/picture_format.h"
#include "core/sequence/fasta_records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane {

// A tab-separated table of the pictures a batch saved, one row each, naming where the
// repeat lies in the genome's own coordinates:
//
//   picture  record  start  end  size  [period  copies  score  consensus]
//
// `start` and `end` are the 1-based bases, within the record, of the picture's start
// and end positions (the stretch drawn runs from start up to, not including, end), so
// for Tandem Repeats Finder input they are trf's own start and end. A start on a header
// line counts from the next record's first base, an end there from the last base
// before it. An end in a later record than the start is written "NAME:BASE"; a picture
// whose positions hold no base has empty coordinates. The last four columns, present
// when the repeats came from a .dat file, are those of the .dat repeat with the
// picture's start, end and size (the first in file order); they are empty when no
// repeat has them, as when overlapping repeats of one size give a picture from the
// later start to the earlier end.
class PictureTable {
public:
    // `records`: the sequence file's record table; `repeats`: the .dat's repeats, when
    // the patterns came from one.
    explicit PictureTable(std::vector<FastaRecord> records,
                          std::optional<std::vector<TrfRepeat>> repeats = std::nullopt);

    // The header row, ending in a line feed.
    std::string Header() const;
    // One picture's row, ending in a line feed; `picture` is its file as the table names it.
    std::string Row(std::string_view picture, const DrawnPicture& drawn, int size) const;
    // The rows of the pictures of one gallery that were saved (not those in its
    // errors), in drawing order. `folder` ("" or "size-6/") goes before each
    // file name.
    std::string GalleryRows(const BatchResult& result, int size, PictureFormat format, std::string_view folder) const;

private:
    const TrfRepeat* FindRepeat(const DrawnPicture& drawn, int size) const;

    std::vector<FastaRecord> m_records;
    std::optional<std::vector<TrfRepeat>> m_repeats;
    std::vector<std::size_t> m_byPosition; // indexes into m_repeats, by start, end, size, file order
};

} // namespace lirovane
