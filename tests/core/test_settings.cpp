#include "settings/app_settings.h"
#include "settings/memory_profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace lirovane;

namespace {

// Records the order of reads and writes on top of an in-memory store.
class RecordingStore final : public ProfileStore {
public:
    int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) const override
    {
        reads.emplace_back(key);
        return inner.GetProfileInt(section, key, defaultValue);
    }
    std::string GetProfileString(std::string_view section, std::string_view key) const override
    {
        reads.emplace_back(key);
        return inner.GetProfileString(section, key);
    }
    void WriteProfileInt(std::string_view section, std::string_view key, int value) override
    {
        writes.emplace_back(key);
        inner.WriteProfileInt(section, key, value);
    }
    void WriteProfileString(std::string_view section, std::string_view key, std::string_view value) override
    {
        writes.emplace_back(key);
        inner.WriteProfileString(section, key, value);
    }
    void Clear() { reads.clear(), writes.clear(); }

    MemoryProfileStore inner;
    mutable std::vector<std::string> reads;
    std::vector<std::string> writes;
};

const std::vector<std::string> kFieldOrderOnSave{
    "SequenceFile", "StartsEndsAndSizesFile", "AsColor", "CsColor", "GsColor", "TsColor", "LetterOrientation",
    "Letter1", "Letter2", "Letter3", "Letter4", "Letter5", "Letter6", "Letter7", "Letter8", "SizeOfRepeats",
    "NumberOfRepeatsInThisSet"};

int Stored(const ProfileStore& store, std::string_view key)
{
    return store.GetProfileInt(kProfileSection, key, -12345);
}

AppSettings Confirmed()
{
    AppSettings s;
    s.SetFirstRunDefaults();
    s.sequenceFile = "/data/genome.fa";
    s.patternsFile = "/data/genome.pat";
    s.sizeOfRepeats = 200;
    s.numberOfRepeatsInThisSet = 300;
    s.letterOrientation = 2;
    ApplyOrientation(s.letters, 2);
    s.asColor = 0x00123456u;
    return s;
}

} // namespace

TEST(Settings, FirstRunWritesPathInstallsDefaultsAndRunsTheFlowOnce)
{
    RecordingStore store;
    AppSettings s;
    int flowRuns = 0;
    LoadSettings(s, store, [&] { ++flowRuns; });

    EXPECT_EQ(flowRuns, 1);
    EXPECT_EQ(store.writes, std::vector<std::string>{"Path"});
    EXPECT_EQ(store.reads, std::vector<std::string>{"LetterOrientation"});
    EXPECT_EQ(store.inner.GetProfileString(kProfileSection, "Path"), std::filesystem::current_path().string());
    EXPECT_EQ(s.sizeOfRepeats, 43);
    EXPECT_EQ(s.letterOrientation, 1);
    EXPECT_EQ(s.Style().colors, (std::array<Color, 4>{0x000000FFu, 0x00FF0000u, 0x00FFFF00u, 0x0000FF00u}));
    EXPECT_EQ(s.letters, LetterTable::ForOrientation(1));
    EXPECT_TRUE(s.sequenceFile.empty());
    EXPECT_TRUE(s.patternsFile.empty());

    // Cancelled: nothing but "Path" stored, so the next start is a first run again.
    AppSettings again;
    LoadSettings(again, store, [&] { ++flowRuns; });
    EXPECT_EQ(flowRuns, 2);
}

TEST(Settings, ConfirmedFirstRunRoundTripsEveryField)
{
    RecordingStore store;
    AppSettings first;
    LoadSettings(first, store, [&] {
        first = Confirmed();
        SaveSettings(first, store);
    });
    EXPECT_EQ(store.writes.front(), "Path");
    EXPECT_EQ(std::vector<std::string>(store.writes.begin() + 1, store.writes.end()), kFieldOrderOnSave);

    store.Clear();
    AppSettings next;
    bool flowRan = false;
    LoadSettings(next, store, [&] { flowRan = true; });
    EXPECT_FALSE(flowRan);
    const std::vector<std::string> readOrder{
        "LetterOrientation", "SequenceFile", "StartsEndsAndSizesFile", "AsColor", "CsColor", "GsColor", "TsColor",
        "Letter1", "Letter2", "Letter3", "Letter4", "Letter5", "Letter6", "Letter7", "Letter8", "SizeOfRepeats",
        "NumberOfRepeatsInThisSet"};
    EXPECT_EQ(store.reads, readOrder);
    EXPECT_EQ(next.sequenceFile, first.sequenceFile);
    EXPECT_EQ(next.patternsFile, first.patternsFile);
    EXPECT_EQ(next.sizeOfRepeats, 200);
    EXPECT_EQ(next.numberOfRepeatsInThisSet, 300);
    EXPECT_EQ(next.letterOrientation, 2);
    EXPECT_EQ(next.letters, first.letters);
    EXPECT_EQ(next.Style().colors, first.Style().colors);
    EXPECT_EQ(Stored(store.inner, "Letter1"), 'a');
    EXPECT_EQ(Stored(store.inner, "Letter8"), 'C');
}

TEST(Settings, OrdinaryStartTakesStoredValuesAsTheyAre)
{
    struct Case {
        const char* name;
        int orientation;
        int letterValue;        // stored under every "LetterN"
        unsigned char expected; // low 8 bits
    };
    const Case cases[] = {
        {"orientation 7 keeps the letters", 7, 'x', 'x'},
        {"high bits dropped", 1, 0x141, 'A'},
        {"negative value", 3, -191, 0x41},
        {"negative orientation is not a first run", -1, 'g', 'g'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryProfileStore store;
        store.WriteProfileInt(kProfileSection, "LetterOrientation", c.orientation);
        for (int i = 1; i <= 8; ++i)
            store.WriteProfileInt(kProfileSection, "Letter" + std::to_string(i), c.letterValue);
        AppSettings s;
        bool flowRan = false;
        LoadSettings(s, store, [&] { flowRan = true; });
        EXPECT_FALSE(flowRan);
        EXPECT_EQ(s.letterOrientation, c.orientation);
        for (unsigned char e : s.letters.entries)
            EXPECT_EQ(e, c.expected);
        // Missing keys read as empty or 0, not as first-run defaults.
        EXPECT_EQ(s.Style().colors, (std::array<Color, 4>{0, 0, 0, 0}));
        EXPECT_EQ(s.sizeOfRepeats, 0);
        EXPECT_TRUE(s.sequenceFile.empty());
    }
}

TEST(Settings, OrientationZeroByHandIsAFirstRunAndLeavesOtherKeys)
{
    RecordingStore store;
    SaveSettings(Confirmed(), store);
    store.WriteProfileInt(kProfileSection, "LetterOrientation", 0);
    store.Clear();
    AppSettings s;
    LoadSettings(s, store, nullptr); // no flow given: defaults only
    EXPECT_EQ(store.reads, std::vector<std::string>{"LetterOrientation"});
    EXPECT_EQ(s.sizeOfRepeats, 43);
    EXPECT_EQ(Stored(store.inner, "SizeOfRepeats"), 200);
}

TEST(Settings, PathOfAnyLengthIsRecordedWhole)
{
    const auto saved = std::filesystem::current_path();
    auto deep = std::filesystem::temp_directory_path() / ("lirovane settings " + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    const auto root = deep;
    for (int i = 0; i < 12; ++i)
        deep /= std::string(30, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    MemoryProfileStore store;
    AppSettings s;
    LoadSettings(s, store, {});
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(root);
    const std::string path = store.GetProfileString(kProfileSection, "Path");
    EXPECT_GT(path.size(), 360u);
    EXPECT_EQ(path, deep.string());
}
