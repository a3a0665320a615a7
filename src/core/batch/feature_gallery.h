#pragma once

#include "core/batch/gallery_pass.h"
#include "core/files/io_error.h"
#include "core/intervals/feature_file.h"
#include "core/render/picture_format.h"
#include "core/sequence/fasta_records.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lirovane {

struct AppSettings;

// Each gallery's own table of its pictures (as FeatureTable writes them, without a
// folder), beside its index.htm: where a picture's feature lies, for Show in Strandscope.
inline constexpr const char* kFeatureListName = "features.tsv";

// Galleries of annotated features: every feature drawn as its own picture, a feature
// on the minus strand from its reverse complement (the walk starts at its 5' end), a
// BED12 feature as its exons joined in order.
struct FeatureGalleryRequest {
    std::string featureFile;          // as given: named on the pages
    FeatureSet features;              // as ReadFeatures kept them
    std::vector<FastaRecord> records; // the sequence file's, as the features were matched against
    std::filesystem::path out;
    bool byType = false;       // one gallery per type in out/TYPE/, out/index.htm linking them
    bool ignoreStrand = false; // every feature drawn as it lies on the plus strand
    PictureFormat format = PictureFormat::Bmp;
    SvgResolution svgResolution = SvgResolution::Step;
};

// A picture of a gallery: the feature (an index into the request's features) and its file name.
struct FeaturePicture {
    std::size_t feature = 0;
    std::string file;
};

// One gallery as planned and, after DrawFeatureGalleries, as drawn.
struct FeatureGallery {
    std::uint32_t type = 0;               // index into the set's types
    std::string folder;                   // under `out`: "" or the type's safe name
    std::filesystem::path dir;            // out / folder
    std::vector<FeaturePicture> pictures; // in page order: along the sequence
    std::size_t drawn = 0;                // the first `drawn` of them were handed to the writer
    std::vector<IoError> unwritten;       // pictures that could not be saved, and why
    IoStatus page;                        // why index.htm cannot be written
    IoStatus list;                        // why features.tsv cannot be written
    std::filesystem::path pagePath;       // absolute
    std::uint64_t bases = 0;              // letters drawn
};

struct FeatureRunReport {
    std::vector<FeatureGallery> galleries;
    IoStatus sequence; // why the sequence cannot be read to the last feature
    IoStatus overview; // byType: why out/index.htm cannot be written
    std::filesystem::path overviewPath;
    bool stopped = false; // the stop request ended the run; no page was replaced
    int pictures = 0;     // pictures handed over for drawing
};

// The galleries of a request with their folders and picture names, before anything is
// written: features in sequence order (record, start, end, line); a picture is named
// after the feature (only A-Z a-z 0-9 . _ -, unique ignoring case within its gallery)
// or, without a name, RECORD_START-END with 1-based bases and "_minus" when drawn from
// the minus strand. Type folders are named by the same rule, never "index.htm".
std::vector<FeatureGallery> PlanFeatureGalleries(const FeatureGalleryRequest& request);

// Reads the settings' sequence file once and draws every planned gallery into its
// folder (which must exist), each with its index.htm; with byType, out/index.htm links
// them with their counts, and each gallery gets its kFeatureListName. Pictures are drawn on a
// second thread while the sequence is read.
FeatureRunReport DrawFeatureGalleries(const AppSettings& settings, const FeatureGalleryRequest& request,
                                      std::vector<FeatureGallery> galleries, const PictureProgress& progress = {},
                                      const StopRequest& stop = {});

// The letters of a feature from the letters of its whole interval: its exons joined,
// then reverse-complemented when it is drawn from the minus strand.
void FeatureLetters(const Feature& feature, bool ignoreStrand, std::string& letters);

// --table for features: a header row, then one row per saved picture: picture (with its
// folder), record, start, end (1-based, closed), name (as the file gave it), strand, type.
std::string FeatureTable(const FeatureGalleryRequest& request, const FeatureRunReport& report);
// Writes the gallery's kFeatureListName.
IoStatus WriteFeatureList(const FeatureGalleryRequest& request, const FeatureGallery& gallery);
// --summary for features: type, features, pictures, bases, page; one row per gallery.
std::string FeatureSummary(const FeatureGalleryRequest& request, const FeatureRunReport& report);

} // namespace lirovane
