#include "core/settings/app_settings.h"
#include "core/settings/memory_profile_store.h"

#include "test_support.h"

namespace {

using SV = std::string_view;
using Keys = std::vector<std::string>;

// Records the keys read and written, on top of an in-memory store.
class RecordingStore final : public ProfileStore {
public:
    int GetProfileInt(SV s, SV k, int d) const override { return inner.GetProfileInt(s, Log(reads, k), d); }
    std::string GetProfileString(SV s, SV k) const override { return inner.GetProfileString(s, Log(reads, k)); }
    void WriteProfileInt(SV s, SV k, int v) override { inner.WriteProfileInt(s, Log(writes, k), v); }
    void WriteProfileString(SV s, SV k, SV v) override { inner.WriteProfileString(s, Log(writes, k), v); }

    MemoryProfileStore inner;
    mutable Keys reads;
    Keys writes;

private:
    static SV Log(Keys& keys, SV key) { return keys.emplace_back(key); }
};

} // namespace

// The first run records the working folder of any length whole as "Path".
TEST(Settings, FirstRunCancelledThenConfirmed)
{
    ScratchDir dir;
    fs::path deep = dir / "with blanks";
    for (int i = 0; i < 12; ++i)
        deep /= std::string(30, static_cast<char>('a' + i));
    fs::create_directories(deep);
    RecordingStore store;
    AppSettings s;
    int flowRuns = 0;
    InFolder(deep, [&] { LoadSettings(s, store, [&] { ++flowRuns; }); });
    EXPECT_EQ(flowRuns, 1);
    EXPECT_EQ(store.writes, Keys{"Path"});
    EXPECT_EQ(store.reads, Keys{"LetterOrientation"});
    EXPECT_EQ(store.inner.GetProfileString(kProfileSection, "Path"), deep.string());
    EXPECT_EQ(std::make_tuple(s.sizeOfRepeats, s.letterOrientation, s.letters, s.Style().colors),
              std::make_tuple(43, 1, LetterTable::ForOrientation(1),
                              std::array<Color, 4>{0x000000FFu, 0x00FF0000u, 0x00FFFF00u, 0x0000FF00u}));

    // Cancelled: only "Path" is stored, so the next start is a first run again; this time OK.
    AppSettings confirmed;
    LoadSettings(confirmed, store, [&] {
        ++flowRuns;
        confirmed.sequenceFile = "/data/genome.fa";
        confirmed.patternsFile = "/data/genome.pat";
        confirmed.sizeOfRepeats = 200;
        confirmed.numberOfRepeatsInThisSet = 300;
        confirmed.letterOrientation = 2;
        ApplyOrientation(confirmed.letters, 2);
        confirmed.colors[0] = 0x00123456u;
        SaveSettings(confirmed, store);
    });
    EXPECT_EQ(flowRuns, 2);
    // Every key once after "Path", the orientation before the letters it selects; the next
    // start reads every field back.
    const Keys stored = {"Path", "SequenceFile", "StartsEndsAndSizesFile", "AsColor", "CsColor", "GsColor",
                         "TsColor", "LetterOrientation", "Letter1", "Letter2", "Letter3", "Letter4", "Letter5",
                         "Letter6", "Letter7", "Letter8", "SizeOfRepeats", "NumberOfRepeatsInThisSet"};
    EXPECT_EQ(Keys(store.writes.begin() + 1, store.writes.end()), stored);
    AppSettings next;
    LoadSettings(next, store, [&] { ++flowRuns; });
    EXPECT_EQ(flowRuns, 2);
    const auto fields = [](const AppSettings& a) {
        return std::make_tuple(a.sequenceFile, a.patternsFile, a.sizeOfRepeats, a.numberOfRepeatsInThisSet,
                               a.letterOrientation, a.letters, a.Style().colors);
    };
    EXPECT_EQ(fields(next), fields(confirmed));
    EXPECT_EQ(store.inner.GetProfileInt(kProfileSection, "Letter8", 0), 'C');
}

// Stored values are taken as they are: no defaults for missing keys, letters cut to 8 bits.
TEST(Settings, OrdinaryStartTakesStoredValuesAsTheyAre)
{
    const struct {
        int orientation;
        int letterValue; // under every "LetterN"
        unsigned char expected;
    } cases[] = {{7, 'x', 'x'}, {1, 0x141, 'A'}, {-1, -191, 0x41}};
    for (const auto& c : cases) {
        MemoryProfileStore store;
        store.WriteProfileInt(kProfileSection, "LetterOrientation", c.orientation);
        for (char n = '1'; n <= '8'; ++n)
            store.WriteProfileInt(kProfileSection, std::string("Letter") + n, c.letterValue);
        AppSettings s;
        bool flowRan = false;
        LoadSettings(s, store, [&] { flowRan = true; });
        EXPECT_FALSE(flowRan);
        EXPECT_EQ(s.letterOrientation, c.orientation);
        for (const unsigned char e : s.letters.entries)
            EXPECT_EQ(e, c.expected) << c.letterValue;
        EXPECT_EQ(s.Style().colors, (std::array<Color, 4>{}));
        EXPECT_EQ(s.sizeOfRepeats, 0);
    }
}
