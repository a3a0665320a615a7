// The whole batch on arbitrary files: the input is split at NUL bytes into the
// sequence, starts.txt and ends.txt. Whatever they hold, the batch ends, writes its
// page whole, and draws at most one picture per end position.
#include "core/batch/image_batch.h"
#include "core/batch/quiet_display.h"
#include "core/intervals/position_list.h"
#include "core/settings/app_settings.h"

#include "fuzz_input_args.h"
#include "fuzz_input_files.h"

#include <algorithm>

using namespace lirovane;
using namespace lirovane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzArgs parts(AsText(data, std::min<std::size_t>(size, 1 << 16)), 3);
    const auto part = [&parts](std::size_t i) { return i < parts.Args().size() ? parts.Args()[i] : std::string(); };
    AppSettings settings;
    settings.SetFirstRunDefaults();
    settings.sequenceFile = WriteScratch("sequence.fa", part(0)).string();
    WriteScratch("starts.txt", part(1));
    WriteScratch("ends.txt", part(2));
    settings.sizeOfRepeats = 6;
    settings.numberOfRepeatsInThisSet = 3;

    QuietDisplay display;
    const BatchResult result = CreateImages(settings, display, ScratchFolder());
    // A position file may stop at a bad token; nothing else may fail.
    LIROVANE_FUZZ_CHECK(result.errors.size() == static_cast<std::size_t>(result.Count(RunItem::Positions)));
    PositionList ends;
    static_cast<void>(LoadPositionList(ScratchFolder() / "ends.txt", ends));
    LIROVANE_FUZZ_CHECK(result.pictures <= static_cast<int>(ends.Sorted().size()));
    const std::string page = ReadScratch(ScratchFolder() / "index.htm");
    LIROVANE_FUZZ_CHECK(page.ends_with("</table></body></html>"));
    std::size_t cells = 0;
    for (std::size_t at = page.find("<td>"); at != std::string::npos; at = page.find("<td>", at + 1))
        ++cells;
    LIROVANE_FUZZ_CHECK(cells == static_cast<std::size_t>(result.pictures));
    // Pictures of this input are removed, so the folder does not grow across inputs.
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder()))
        if (entry.path().extension() == ".bmp")
            std::filesystem::remove(entry.path());
    return 0;
}
