// LoadPositionList on arbitrary bytes, checked against formatted extraction.
#include "core/intervals/position_list.h"

#include "fuzz_input_files.h"

#include <algorithm>
#include <sstream>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = AsText(data, size);
    const auto file = WriteScratch("starts.txt", text);
    PositionList list;
    const IoStatus read = LoadPositionList(file, list);

    // What stream extraction of int32 values reads, up to the first failure; a
    // failure before the end is what the reader reports, with a line.
    std::istringstream in{std::string(text)};
    std::vector<std::int64_t> expected;
    for (std::int64_t v = 0; in >> v;)
        expected.push_back(v);
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    LIROVANE_FUZZ_CHECK(list.Sorted() == expected);
    LIROVANE_FUZZ_CHECK(read.ok() || read.error().line >= 1);
    return 0;
}
