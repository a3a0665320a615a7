// The BED and GFF3 readers against two fixed records. The first byte picks the format,
// the rest is the annotation.
#include "core/intervals/feature_file.h"

#include "fuzz_input_files.h"

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view text = AsText(data, size);
    const FeatureFormat format = (data[0] & 1) != 0 ? FeatureFormat::Gff3 : FeatureFormat::Bed;
    const auto file = WriteScratch("features.txt", text.substr(1));
    const std::vector<FastaRecord> records{{"chr1 first", true, 12, 100}, {"chr2", true, 118, 7}};
    const auto set =
        ReadFeatures({file, format, (data[0] & 2) != 0 ? std::vector<std::string>{"gene"} : std::vector<std::string>{}},
                     records, "genome.fa");
    if (!set) {
        LIROVANE_FUZZ_CHECK(!set.Message().empty());
        return 0;
    }
    // Every feature lies inside its record, its exons inside it and in order.
    for (const Feature& f : set->features) {
        LIROVANE_FUZZ_CHECK(f.record < records.size() && f.start <= f.end && f.end <= records[f.record].bases);
        LIROVANE_FUZZ_CHECK(f.type < set->types.size() && (f.strand == '+' || f.strand == '-' || f.strand == '.'));
        std::uint64_t reached = 0;
        for (const FeatureBlock& b : f.blocks) {
            LIROVANE_FUZZ_CHECK(b.start >= reached && b.start + b.size <= f.end - f.start);
            reached = b.start + b.size;
        }
    }
    return 0;
}
