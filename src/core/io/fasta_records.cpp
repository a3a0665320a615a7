#include "core/io/fasta_records.h"

#include "core/io/byte_source.h"
#include "core/io/read_block.h"
#include "core/io/token_reader.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace lirovane {

namespace {

// Longer header lines are still counted whole; only the kept name is cut.
constexpr std::size_t kMaxNameLength = 4096;
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

void TrimTrailingBlanks(std::string& text)
{
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back())))
        text.pop_back();
}

} // namespace

std::optional<std::vector<FastaRecord>> ScanFastaRecords(const std::filesystem::path& file, std::string* error)
{
    const auto source = OpenByteSource(file, error);
    if (source == nullptr)
        return std::nullopt;

    std::vector<FastaRecord> records;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    const bool plain = std::string_view(source->Kind()) == "plain";
    const std::size_t blockSize =
        ec || !plain ? kBlockSize : static_cast<std::size_t>(std::min<std::uintmax_t>(size + 1, kBlockSize));
    ReadBlock block(blockSize);
    std::uint64_t tokens = 0;
    bool lineStart = true;
    bool inHeader = false;

    for (;;) {
        const std::size_t len = source->Read(reinterpret_cast<char*>(block.data()), block.size());
        if (len == 0)
            break;
        for (std::size_t i = 0; i < len; ++i) {
            const unsigned char c = block[i];
            const bool endOfLine = c == '\n' || c == '\r';
            if (inHeader) {
                if (endOfLine) {
                    inHeader = false;
                    TrimTrailingBlanks(records.back().name);
                    records.back().tokensBefore = tokens;
                } else {
                    if (!IsBlank(c))
                        ++tokens;
                    std::string& name = records.back().name;
                    if (name.size() < kMaxNameLength)
                        name.push_back(static_cast<char>(c));
                }
            } else if (lineStart && c == '>') {
                inHeader = true;
                ++tokens;
                records.push_back(FastaRecord{{}, true, 0, 0});
            } else if (!IsBlank(c)) {
                if (records.empty())
                    records.push_back(FastaRecord{{}, false, tokens, 0});
                ++tokens;
                ++records.back().bases;
            }
            lineStart = endOfLine;
        }
    }
    if (!source->Error().empty()) {
        if (error != nullptr)
            *error = source->Error();
        return std::nullopt;
    }
    if (inHeader) {
        TrimTrailingBlanks(records.back().name);
        records.back().tokensBefore = tokens;
    }
    return records;
}

} // namespace lirovane
