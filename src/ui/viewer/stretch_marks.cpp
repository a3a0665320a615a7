#include "ui/viewer/stretch_marks.h"

#include "core/sequence/token_offset_index.h"
#include "core/sequence/token_reader.h"

#include <algorithm>
#include <string>

std::vector<MarkPoint> StretchMarks(std::string_view letters, int zoom, const lirovane::PathStyle& style, int steps)
{
    const lirovane::ViewerFit fit = lirovane::FitViewerPath(letters, zoom, style);
    if (fit.count <= 0 || steps < 0)
        return {};
    std::vector<MarkPoint> marks{{fit.startX, fit.startY}};
    if (steps > fit.count)
        return marks;
    const int step = std::max(zoom, 1);
    const lirovane::SlotLookup lookup(style.letters);
    MarkPoint pen = marks.front();
    for (int i = 0; i < steps; ++i) {
        switch (lookup[static_cast<unsigned char>(letters[static_cast<std::size_t>(i)])]) {
        case lirovane::DirectionSlot::Left: pen.x -= step; break;
        case lirovane::DirectionSlot::Up: pen.y -= step; break;
        case lirovane::DirectionSlot::Down: pen.y += step; break;
        case lirovane::DirectionSlot::Right: pen.x += step; break;
        case lirovane::DirectionSlot::None: break;
        }
    }
    marks.push_back(pen);
    return marks;
}

std::optional<std::int64_t> LettersAmongTokens(const std::filesystem::path& file, std::int64_t startIndex,
                                               std::int64_t tokens)
{
    lirovane::TokenReader reader(std::size_t{1} << 16);
    if (!reader.Open(file) || startIndex < 0 || tokens < 0)
        return std::nullopt;
    const auto skip = static_cast<std::uint64_t>(startIndex);
    if (lirovane::TokenOffsetIndex::Global().SkipFromStart(reader, file, skip) != skip)
        return std::nullopt;
    std::int64_t letters = 0;
    std::string piece;
    for (auto left = static_cast<std::uint64_t>(tokens); left > 0;) {
        piece.clear();
        const std::uint64_t read = reader.Read(std::min<std::uint64_t>(left, std::uint64_t{1} << 16), piece);
        if (read == 0)
            break;
        left -= read;
        // The letters the viewer keeps, whatever the letter table.
        letters += std::count_if(piece.begin(), piece.end(), [](char c) {
            switch (c) {
            case 'A':
            case 'C':
            case 'G':
            case 'T':
            case 'a':
            case 'c':
            case 'g':
            case 't': return true;
            default: return false;
            }
        });
    }
    if (reader.Failed())
        return std::nullopt;
    return letters;
}
