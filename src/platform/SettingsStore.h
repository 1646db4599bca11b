#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

// The editor's per-user settings: string and integer values of the section
// "Settings" below the editor's own key. The GUI keeps them where the
// platform keeps per-user settings; tests and the command-line tool use the
// in-memory store. A value that is missing, or was stored with the other
// type, reads as the default given, as the registry's profile functions do.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string GetString(std::string_view key, std::string_view defaultValue) const = 0;
    virtual int GetInt(std::string_view key, int defaultValue) const = 0;
    virtual void SetString(std::string_view key, std::string_view value) = 0;
    virtual void SetInt(std::string_view key, int value) = 0;
};

class MemorySettingsStore : public SettingsStore {
  public:
    std::string GetString(std::string_view key, std::string_view defaultValue) const override {
        auto it = m_values.find(key);
        if (it != m_values.end())
            if (auto* s = std::get_if<std::string>(&it->second)) return *s;
        return std::string(defaultValue);
    }
    int GetInt(std::string_view key, int defaultValue) const override {
        auto it = m_values.find(key);
        if (it != m_values.end())
            if (auto* n = std::get_if<int>(&it->second)) return *n;
        return defaultValue;
    }
    void SetString(std::string_view key, std::string_view value) override {
        m_values[std::string(key)] = std::string(value);
    }
    void SetInt(std::string_view key, int value) override { m_values[std::string(key)] = value; }
    bool Empty() const { return m_values.empty(); }

  private:
    std::map<std::string, std::variant<std::string, int>, std::less<>> m_values;
};

// The settings the editor keeps between runs, with their defaults. Read once
// at start; written back only at a regular exit, so an abnormal end keeps the
// previous values.
struct EditorSettings {
    std::string gamePath;    // folder of the installed game, no trailing separator
    std::string resourceDir; // folder that receives the unpacked resources
    int viewWaypoints = 1;   // "Show Waypoints": 1 shown, 0 hidden
    int viewMapElements = 1; // "Show Map Elements"
    int textureFilter = 1;   // 1 none, 2 bilinear, 3 anisotropic

    void Read(const SettingsStore& store) {
        gamePath = store.GetString("GamePath", "");
        resourceDir = store.GetString("ResourceDir", "");
        viewWaypoints = store.GetInt("ViewWaypoints", 1);
        viewMapElements = store.GetInt("ViewMapElements", 1);
        textureFilter = store.GetInt("TextureFilter", 1);
    }
    void Write(SettingsStore& store) const {
        store.SetString("GamePath", gamePath);
        store.SetString("ResourceDir", resourceDir);
        store.SetInt("ViewWaypoints", viewWaypoints);
        store.SetInt("ViewMapElements", viewMapElements);
        store.SetInt("TextureFilter", textureFilter);
    }
};

// What the views show, besides the two saved toggles above; all start shown
// and none is saved.
struct ViewFlags {
    int showWaypoints = 1;
    int showMapElements = 1;
    int showBuildings = 1;
    int showVegetation = 1;
    int showFences = 1;
    int showLandscape = 1;
    int showWater = 1;
    int showTrash = 1;
};

} // namespace platform
