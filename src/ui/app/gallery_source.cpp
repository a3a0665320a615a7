#include "ui/app/gallery_source.h"

#include "core/batch/feature_gallery.h"
#include "core/batch/overview.h"
#include "core/files/safe_name.h"
#include "core/intervals/position_list.h"
#include "core/sequence/genome_coordinates.h"
#include "core/sequence/token_offset_index.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {

std::vector<std::int64_t> Positions(const QDir& folder, const char* name)
{
    lirovane::PositionList list;
    // A file that cannot be read leaves the list empty: the pictures' ends are then unknown.
    (void)lirovane::LoadPositionList(QFile::encodeName(folder.filePath(QLatin1String(name))).toStdString(), list);
    return list.Sorted();
}

// The rows of a feature gallery's features.tsv: picture, record, start, end, name, strand, type.
std::unordered_map<std::string, FeatureSpot> Features(const QDir& folder)
{
    std::unordered_map<std::string, FeatureSpot> features;
    QFile list(folder.filePath(QString::fromLatin1(lirovane::kFeatureListName)));
    if (!list.open(QIODevice::ReadOnly))
        return features;
    while (!list.atEnd()) {
        QByteArray line = list.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        const QList<QByteArray> cells = line.split('\t');
        bool startOk = false;
        bool endOk = false;
        FeatureSpot spot{cells.value(1).toStdString(), cells.value(2).toLongLong(&startOk),
                         cells.value(3).toLongLong(&endOk), cells.value(5) == "-"};
        if (cells.size() >= 7 && startOk && endOk && spot.start >= 1) // the header row has no numbers
            features.emplace(cells[0].toStdString(), std::move(spot));
    }
    return features;
}

// An overview's records from its walk.tsv (record, length, ...), by the names the
// overview gave their pictures: safe, and unique ignoring case in the records' order.
std::unordered_map<std::string, FeatureSpot> OverviewRecords(const QDir& folder)
{
    std::unordered_map<std::string, FeatureSpot> records;
    QFile table(folder.filePath(QStringLiteral("walk.tsv")));
    if (!table.open(QIODevice::ReadOnly))
        return records;
    table.readLine(); // the header row
    lirovane::UniqueNames unique;
    while (!table.atEnd()) {
        const QList<QByteArray> cells = table.readLine().split('\t');
        bool ok = false;
        const qlonglong length = cells.value(1).toLongLong(&ok);
        if (cells.size() < 8 || !ok)
            return {}; // not a table the overview wrote: no record is named wrongly
        std::string name = cells[0].toStdString();
        std::string picture = unique.Take(lirovane::SafeFileName(name));
        records.emplace(std::move(picture), FeatureSpot{std::move(name), 1, length, false});
    }
    return records;
}

} // namespace

GallerySource GallerySource::Read(const QString& folder)
{
    GallerySource source;
    source.m_folder = QDir(folder).absolutePath();
    const QDir dir(source.m_folder);
    QFile page(dir.filePath(QStringLiteral("index.htm")));
    if (page.open(QIODevice::ReadOnly)) {
        // The head of the page: "Sequence file: NAME<br>", NAME escaped for HTML.
        const QString head = QString::fromUtf8(page.read(1 << 16));
        static const QRegularExpression line(QStringLiteral("Sequence file: (.*?)<br>"));
        const QRegularExpressionMatch match = line.match(head);
        if (match.hasMatch())
            source.m_sequenceName = QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText();
        if (head.contains(
                QLatin1String(lirovane::kOverviewLine.data(), static_cast<qsizetype>(lirovane::kOverviewLine.size()))))
            source.m_records = OverviewRecords(dir);
    }
    source.m_starts = Positions(dir, "starts.txt");
    source.m_ends = Positions(dir, "ends.txt");
    source.m_features = Features(dir);
    return source;
}

QStringList GallerySource::sequenceCandidates() const
{
    if (m_sequenceName.isEmpty())
        return {};
    if (QFileInfo(m_sequenceName).isAbsolute())
        return {QDir::cleanPath(m_sequenceName)};
    QStringList candidates{QDir(m_folder).absoluteFilePath(m_sequenceName),
                           QDir::current().absoluteFilePath(m_sequenceName)};
    for (QDir up(m_folder); up.cdUp();)
        candidates << up.absoluteFilePath(m_sequenceName);
    for (QString& candidate : candidates)
        candidate = QDir::cleanPath(candidate);
    candidates.removeDuplicates();
    return candidates;
}

QString GallerySource::existingSequence() const
{
    for (const QString& candidate : sequenceCandidates())
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

std::optional<std::int64_t> GallerySource::endOf(std::int64_t start) const
{
    if (!std::binary_search(m_starts.begin(), m_starts.end(), start))
        return std::nullopt;
    const auto end = std::lower_bound(m_ends.begin(), m_ends.end(), start);
    if (end == m_ends.end())
        return std::nullopt;
    // A later start at or before that end would have begun the stretch afresh.
    const auto nextStart = std::upper_bound(m_starts.begin(), m_starts.end(), start);
    if (nextStart != m_starts.end() && *nextStart <= *end)
        return std::nullopt;
    return *end;
}

std::optional<FeatureSpot> GallerySource::featureOf(const QString& pictureName) const
{
    const auto found = m_features.find(pictureName.toStdString());
    if (found == m_features.end())
        return std::nullopt;
    return found->second;
}

std::optional<FeatureSpot> GallerySource::recordOf(const QString& pictureName) const
{
    const auto found = m_records.find(QFileInfo(pictureName).completeBaseName().toStdString());
    if (found == m_records.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::int64_t> FeatureStartIndex(const QString& sequenceFile, const FeatureSpot& feature)
{
    const auto records = lirovane::TokenOffsetIndex::Global().Records(QFile::encodeName(sequenceFile).toStdString());
    if (!records)
        return std::nullopt;
    for (const lirovane::FastaRecord& record : *records)
        if (lirovane::RecordName(record) == feature.record)
            return static_cast<std::int64_t>(record.tokensBefore) + feature.start - 1;
    return std::nullopt;
}

std::optional<std::int64_t> PicturePosition(const QString& picturePath)
{
    bool ok = false;
    const qlonglong position = QFileInfo(picturePath).completeBaseName().toLongLong(&ok);
    if (!ok || position < 1)
        return std::nullopt;
    return position;
}

QString DescribeStretch(const QString& sequenceFile, std::int64_t start, std::optional<std::int64_t> end)
{
    if (!sequenceFile.isEmpty()) {
        const auto records =
            lirovane::TokenOffsetIndex::Global().Records(QFile::encodeName(sequenceFile).toStdString());
        if (records) {
            const auto first = static_cast<std::uint64_t>(start);
            std::string text;
            if (end) {
                text = lirovane::DescribeRange(*records, first, static_cast<std::uint64_t>(*end));
            } else if (const auto at = lirovane::LocatePosition(*records, first, true)) {
                text.append(lirovane::RecordName((*records)[at->record])).append(1, ':');
                text.append(lirovane::WithCommas(at->base));
            }
            if (!text.empty())
                return QString::fromStdString(text);
        }
    }
    const QString from = QString::fromStdString(lirovane::WithCommas(static_cast<std::uint64_t>(start)));
    if (!end)
        return QObject::tr("Position %1").arg(from);
    return QObject::tr("Positions %1-%2")
        .arg(from, QString::fromStdString(lirovane::WithCommas(static_cast<std::uint64_t>(*end))));
}
