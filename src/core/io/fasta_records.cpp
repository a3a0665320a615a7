#include "core/io/fasta_records.h"

#include "core/io/byte_source.h"
#include "core/io/read_block.h"
#include "core/io/token_reader.h"

#include <algorithm>
#include <cstring>
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
        const unsigned char* data = block.data();
        std::size_t i = 0;
        while (i < len) {
            if (inHeader) {
                const unsigned char ch = data[i++];
                if (ch == '\n' || ch == '\r') {
                    inHeader = false;
                    lineStart = true;
                    TrimTrailingBlanks(records.back().name);
                    records.back().tokensBefore = tokens;
                } else {
                    if (!IsBlank(ch))
                        ++tokens;
                    std::string& name = records.back().name;
                    if (name.size() < kMaxNameLength)
                        name.push_back(static_cast<char>(ch));
                }
                continue;
            }
            // Sequence lines up to the next '>' that starts a line, counted in one go.
            std::size_t j = i;
            for (;;) {
                const void* found = std::memchr(data + j, '>', len - j);
                if (found == nullptr) {
                    j = len;
                    break;
                }
                j = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - data);
                if (j == i ? lineStart : (data[j - 1] == '\n' || data[j - 1] == '\r'))
                    break;
                ++j;
            }
            if (j == i) {
                inHeader = true;
                lineStart = false;
                ++tokens;
                ++i;
                records.push_back(FastaRecord{{}, true, 0, 0});
                continue;
            }
            const std::size_t count = CountTokens(reinterpret_cast<const char*>(data + i), j - i);
            if (count > 0) {
                if (records.empty())
                    records.push_back(FastaRecord{{}, false, tokens, 0});
                tokens += count;
                records.back().bases += count;
            }
            lineStart = data[j - 1] == '\n' || data[j - 1] == '\r';
            i = j;
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
