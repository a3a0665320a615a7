// LoadSettings over a memory profile store filled from arbitrary "key=value" lines:
// whatever the store holds, the record comes out usable.
#include "core/settings/app_settings.h"
#include "core/settings/memory_profile_store.h"

#include "fuzz_input_files.h"

#include <cstdio>
#include <cstdlib>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text = AsText(data, size);
    MemoryProfileStore store;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        // A value of digits is stored as a number too, as the window stores numbers.
        store.WriteProfileString(kProfileSection, key, value);
        int number = 0;
        if (std::sscanf(std::string(value).c_str(), "%d", &number) == 1)
            store.WriteProfileInt(kProfileSection, key, number);
    }
    AppSettings settings;
    int firstRuns = 0;
    LoadSettings(settings, store, [&] { ++firstRuns; });
    LIROVANE_FUZZ_CHECK(firstRuns <= 1);
    // Loading what was loaded gives the same record.
    AppSettings again;
    LoadSettings(again, store, [] {});
    LIROVANE_FUZZ_CHECK(again.sequenceFile == settings.sequenceFile && again.patternsFile == settings.patternsFile &&
                        again.sizeOfRepeats == settings.sizeOfRepeats);
    return 0;
}
