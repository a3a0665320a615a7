#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// A feature gallery's row for one picture, from the features.tsv beside its page: the
// record and the 1-based closed interval the picture was drawn from, and its strand.
struct FeatureSpot {
    std::string record;
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool minus = false;
};

// What a gallery folder tells about its pictures: the sequence file its page names, and
// the stretch each picture was drawn from, as the run that drew them left it in the
// folder's starts.txt and ends.txt. Read once per folder; nothing is scanned per picture.
class GallerySource {
public:
    // Reads the head of FOLDER/index.htm and the folder's two position files; a missing
    // file leaves its part empty.
    static GallerySource Read(const QString& folder);

    const QString& folder() const { return m_folder; }
    // The "Sequence file:" line of the page as written (relative names kept); empty when none.
    const QString& sequenceName() const { return m_sequenceName; }
    // Where a relative sequence name may lie: the page's folder, then the working folder,
    // then the page folder's parents (the folder a pipeline ran in). An absolute name is
    // its own only candidate.
    QStringList sequenceCandidates() const;
    // The first candidate that is a file; empty when none is.
    QString existingSequence() const;
    // The end position of the picture numbered `start`: the first end at or after it,
    // when no other start comes before that end (otherwise the files changed since).
    std::optional<std::int64_t> endOf(std::int64_t start) const;
    // The feature a picture of a feature gallery was drawn from; nothing for another picture.
    std::optional<FeatureSpot> featureOf(const QString& pictureName) const;
    // The record an overview's picture shows, as the whole of it (from the walk.tsv beside
    // an overview page); nothing for another picture.
    std::optional<FeatureSpot> recordOf(const QString& pictureName) const;

private:
    QString m_folder;
    QString m_sequenceName;
    std::vector<std::int64_t> m_starts;                      // ascending
    std::vector<std::int64_t> m_ends;                        // ascending
    std::unordered_map<std::string, FeatureSpot> m_features; // by picture file name
    std::unordered_map<std::string, FeatureSpot> m_records;  // by picture file name without its extension
};

// The position a gallery picture is named after ("1234.bmp" -> 1234); nothing for another name.
std::optional<std::int64_t> PicturePosition(const QString& picturePath);

// The start index of a feature's first base in `sequenceFile`; nothing when the file has
// no record of that name.
std::optional<std::int64_t> FeatureStartIndex(const QString& sequenceFile, const FeatureSpot& feature);

// Where a picture's stretch lies in the genome's own coordinates, "chr20:1,234,567-1,234,890",
// from the sequence file's record table (its .fai, or one pass kept for the run); the
// positions when the records cannot be had. `end` unknown gives the first base only.
QString DescribeStretch(const QString& sequenceFile, std::int64_t start, std::optional<std::int64_t> end);
