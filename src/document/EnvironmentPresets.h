#pragma once

#include "format/DefNode.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
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

// Fills values from a Preset block; keys the preset lacks leave their fields as they were.
void ReadPreset(const CDefNode& preset, EnvironmentValues& values);
// A Preset block named name (quoted) with its keys in the game's order.
std::unique_ptr<CDefNode> BuildPreset(const std::string& name, const EnvironmentValues& values);

// The presets the Environment Settings dialog offers: the game's, read at
// start, and the editor's own custom preset file beside the program.
class CEnvironmentPresets {
  public:
    CEnvironmentPresets(const DefNodeList& gamePresets, std::filesystem::path customFile)
        : m_game(gamePresets), m_customFile(std::move(customFile)) {}

    // The names (quotes removed) of the game's presets, then the custom ones;
    // lastCustom receives the name of the last custom preset, if any.
    std::vector<std::string> PresetNames(std::string* lastCustom = nullptr) const;
    // Fills values from the preset of that name: the game's first, then the
    // custom file. False (values untouched) when neither has it; fromCustom
    // tells where it was found.
    bool LoadPresetValues(const std::string& name, EnvironmentValues& values,
                          bool* fromCustom = nullptr) const;
    // Replaces the custom file with one preset; false when it cannot be written.
    bool SaveCustomPreset(const std::string& name, const EnvironmentValues& values) const;
    const std::filesystem::path& CustomFile() const { return m_customFile; }

  private:
    const DefNodeList& m_game;
    std::filesystem::path m_customFile;
};

// The mission's preset name from its Environment block, quotes removed; empty without one.
std::string MissionPresetName(const CVarnholtMapEditorDoc& doc);
// Names the mission's preset (creating Environment as the working root's
// first child) and, with addSky, replaces the sky entity with one centred on
// the map's world bounds. Marks the document modified. False for maps.
bool ApplyEnvironment(CVarnholtMapEditorDoc& doc, const std::string& name, bool addSky);
// A file chosen below the resource directory as the presets store it: the
// part after the directory, with forward slashes; the path itself when it
// lies elsewhere.
std::string ResourceRelativePath(const std::string& resourceDir, const std::string& chosen);

} // namespace document
