#pragma once

#include "format/DefNode.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace document {

class CVarnholtMapEditorDoc;

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Everything an environment preset sets: light, shadow, wind, haze, sky,
// clouds, weather and thunder. Paths are relative to the resource directory
// and kept without quotes.
struct EnvironmentValues {
    std::array<float, 3> direction{-0.78f, 0.0f, -0.62f};
    Rgb ambient, diffuse;
    bool night = false;
    double nightVision = 0.0;
    double intensity = 0.0;
    Rgb mtlAmbient, mtlDiffuse;
    double shadowAlpha = 0.0;
    Rgb shadowColor;
    unsigned long windAmplitude = 0;
    bool haze = false;
    Rgb hazeColor;
    long hazeStart = 0, hazeEnd = 0;
    std::string skyTexture, cloudsTexture;
    bool weather = false;
    long weatherDensity = 0;
    std::string weatherFx, weatherSound;
    bool thunder = false;
    std::array<unsigned long, 2> thunderInterval{0, 0};
    Rgb thunderColor;
    std::string thunderSound;

    bool operator==(const EnvironmentValues&) const = default;
};

// The outcome of saving a custom preset or naming the mission's preset:
// done, or not done with the reason the user is shown (empty when there is
// nothing to tell). Nothing is changed when it is not done.
struct PresetResult {
    bool done = false;
    std::string refusal;
    explicit operator bool() const { return done; }
};

// Why name cannot be stored as a preset name (between quotes, in a preset
// file or the mission's Environment block); empty when it can.
std::string CheckPresetName(std::string_view name);
// Why one of the texts of values (the sky, clouds and rain paths, the
// weather and thunder sounds) cannot be stored in a preset file; empty when
// all can.
std::string CheckPresetValues(const EnvironmentValues& values);

// Fills values from a Preset block; keys the preset lacks leave their fields as they were.
void ReadPreset(const CDefNode& preset, EnvironmentValues& values);
// A Preset block named name (quoted) with its keys in the game's order.
std::unique_ptr<CDefNode> BuildPreset(const std::string& name, const EnvironmentValues& values);

// Where the custom presets are kept: in the user's own data folder, because
// the program's folder is shared by every user of an installed editor and
// usually cannot be written. A file beside the program, where the custom
// presets used to be kept, is still read while the user has none of their own.
struct CustomPresetLocation {
    std::filesystem::path userFile;    // written, and read first
    std::filesystem::path programFile; // read while userFile does not exist
    // environment.set in each folder; an empty folder gives no file there.
    static CustomPresetLocation In(const std::filesystem::path& userDataDir,
                                   const std::filesystem::path& programDir);
    // userFile when it exists (or is the only one), else programFile.
    std::filesystem::path FileToRead() const;
    // userFile, or programFile when no user folder is known.
    const std::filesystem::path& FileToWrite() const;
};

// The presets the Environment Settings dialog offers: the game's, read at
// start, and the editor's own custom preset file (see CustomPresetLocation).
class CEnvironmentPresets {
  public:
    // One custom file, read and written.
    CEnvironmentPresets(const DefNodeList& gamePresets, std::filesystem::path customFile)
        : m_game(gamePresets), m_customFile(std::move(customFile)) {}
    CEnvironmentPresets(const DefNodeList& gamePresets, const CustomPresetLocation& location)
        : m_game(gamePresets), m_customFile(location.FileToWrite()),
          m_readFile(location.FileToRead()) {}

    // The names (quotes removed) of the game's presets, then the custom ones;
    // lastCustom receives the name of the last custom preset, if any.
    std::vector<std::string> PresetNames(std::string* lastCustom = nullptr) const;
    // Fills values from the preset of that name: the game's first, then the
    // custom file. False (values untouched) when neither has it; fromCustom
    // tells where it was found.
    bool LoadPresetValues(const std::string& name, EnvironmentValues& values,
                          bool* fromCustom = nullptr) const;
    // Replaces the custom file with one preset. Refused, file untouched, when
    // the name or a text would not read back; not done, without a reason,
    // when the file cannot be written.
    PresetResult SaveCustomPreset(const std::string& name, const EnvironmentValues& values) const;
    // The file a save writes (its folder is created when missing).
    const std::filesystem::path& CustomFile() const { return m_customFile; }

  private:
    const std::filesystem::path& ReadFile() const {
        return m_readFile.empty() ? m_customFile : m_readFile;
    }

    const DefNodeList& m_game;
    std::filesystem::path m_customFile;
    std::filesystem::path m_readFile; // empty: m_customFile
};

// The mission's preset name from its Environment block, quotes removed; empty without one.
std::string MissionPresetName(const CVarnholtMapEditorDoc& doc);
// Names the mission's preset (creating Environment as the working root's
// first child) and, with addSky, replaces the sky entity with one centred on
// the map's world bounds. Marks the document modified. Not done for maps;
// refused, document untouched, for a name that would not read back.
PresetResult ApplyEnvironment(CVarnholtMapEditorDoc& doc, const std::string& name, bool addSky);
// A file chosen below the resource directory as the presets store it: the
// part after the directory, with forward slashes; the path itself when it
// lies elsewhere.
std::string ResourceRelativePath(const std::string& resourceDir, const std::string& chosen);

} // namespace document
