#include "core/settings/app_settings.h"

#include "core/settings/profile_store.h"

#include <filesystem>
#include <system_error>

namespace lirovane {

namespace {

constexpr std::array<std::string_view, 4> kColorKeys{"AsColor", "CsColor", "GsColor", "TsColor"};
constexpr std::array<std::string_view, 8> kLetterKeys{"Letter1", "Letter2", "Letter3", "Letter4",
                                                      "Letter5", "Letter6", "Letter7", "Letter8"};

int ReadInt(const ProfileStore& store, std::string_view key)
{
    return store.GetProfileInt(kProfileSection, key, 0);
}

// Colours are stored as integers; the bit pattern is kept as is.
Color ReadColor(const ProfileStore& store, std::string_view key)
{
    return static_cast<Color>(ReadInt(store, key));
}

void WriteColor(ProfileStore& store, std::string_view key, Color color)
{
    store.WriteProfileInt(kProfileSection, key, static_cast<int>(color));
}

} // namespace

PathStyle AppSettings::Style() const noexcept
{
    PathStyle style;
    style.letters = letters;
    style.colors = colors;
    return style;
}

void AppSettings::SetOrientation(int orientation) noexcept
{
    letterOrientation = orientation;
    ApplyOrientation(letters, orientation);
}

void AppSettings::SetFirstRunDefaults() noexcept
{
    colors = kDefaultColors;
    SetOrientation(1);
    sizeOfRepeats = 43;
    numberOfRepeatsInThisSet = 0;
}

void LoadSettings(AppSettings& settings, ProfileStore& store, const std::function<void()>& firstRunFlow)
{
    // The start-up directory is recorded whole on every start, first run or not.
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (!error)
        store.WriteProfileString(kProfileSection, "Path", cwd.string());

    settings.letterOrientation = ReadInt(store, "LetterOrientation");
    if (settings.letterOrientation != 0) {
        // Missing keys read as empty or 0; the stored letters are taken as they are.
        settings.sequenceFile = store.GetProfileString(kProfileSection, "SequenceFile");
        settings.patternsFile = store.GetProfileString(kProfileSection, "StartsEndsAndSizesFile");
        for (std::size_t i = 0; i < kColorKeys.size(); ++i)
            settings.colors[i] = ReadColor(store, kColorKeys[i]);
        for (std::size_t i = 0; i < kLetterKeys.size(); ++i)
            settings.letters.entries[i] = static_cast<unsigned char>(ReadInt(store, kLetterKeys[i]) & 0xFF);
        settings.sizeOfRepeats = ReadInt(store, "SizeOfRepeats");
        settings.numberOfRepeatsInThisSet = ReadInt(store, "NumberOfRepeatsInThisSet");
        return;
    }

    // First run: defaults in memory, then the settings flow, which saves on OK.
    settings.SetFirstRunDefaults();
    if (firstRunFlow)
        firstRunFlow();
}

void SaveSettings(const AppSettings& settings, ProfileStore& store)
{
    store.WriteProfileString(kProfileSection, "SequenceFile", settings.sequenceFile);
    store.WriteProfileString(kProfileSection, "StartsEndsAndSizesFile", settings.patternsFile);
    for (std::size_t i = 0; i < kColorKeys.size(); ++i)
        WriteColor(store, kColorKeys[i], settings.colors[i]);
    store.WriteProfileInt(kProfileSection, "LetterOrientation", settings.letterOrientation);
    for (std::size_t i = 0; i < kLetterKeys.size(); ++i)
        store.WriteProfileInt(kProfileSection, kLetterKeys[i], static_cast<int>(settings.letters.entries[i]));
    store.WriteProfileInt(kProfileSection, "SizeOfRepeats", settings.sizeOfRepeats);
    store.WriteProfileInt(kProfileSection, "NumberOfRepeatsInThisSet", settings.numberOfRepeatsInThisSet);
}

} // namespace lirovane
