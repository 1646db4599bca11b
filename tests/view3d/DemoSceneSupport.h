#pragma once

// The demo game as scene tests on the recording device use it: its
// catalogue, the shared models and its two missions unpacked, loaded once
// per test program, and a window whose device and frame are scripted.

#include "pak/PakArchive.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"
#include "view3d/MapScene.h"
#include "view3d/ModelCache.h"
#include "view3d/RecordingDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace scene_test {

struct DemoGame {
    testing_support::TempDir dir;
    std::unique_ptr<resources::CResourceCatalogue> catalogue;
    std::unique_ptr<view3d::CModelCache> models;
    // Where the missions were unpacked, e.g. "map/single/crossroads/crossroads.mi" below it.
    std::filesystem::path Resources() const { return dir.path() / "res"; }
};

// The loaded demo game, or nullptr when it was not generated (or failed to load).
inline DemoGame* LoadDemoGame() {
    static std::unique_ptr<DemoGame> game;
    static bool tried = false;
    if (tried) return game.get();
    tried = true;
    const std::filesystem::path demo = VM_DEMO_GAME;
    if (!std::filesystem::exists(demo / "game.pak")) return nullptr;
    auto loaded = std::make_unique<DemoGame>();
    loaded->catalogue = std::make_unique<resources::CResourceCatalogue>(nullptr, nullptr, nullptr);
    loaded->catalogue->SetGamePath(demo.string());
    loaded->catalogue->SetResourceDir(loaded->Resources().string());
    pak::CPakArchive pak;
    if (!loaded->catalogue->LoadResources() || !pak.Open(demo / "game.pak") || !pak.List() ||
        !pak.Extract({},
                     {"map/single/crossroads/crossroads.mi", "map/single/crossroads/map",
                      "map/single/night_raid/night_raid.mi", "map/single/night_raid/map"},
                     loaded->Resources())) {
        ADD_FAILURE() << "the demo game could not be read";
        return nullptr;
    }
    loaded->models = std::make_unique<view3d::CModelCache>(*loaded->catalogue);
    game = std::move(loaded);
    return game.get();
}

// A window that hands out the recording device (or none) and counts what
// the scene asks of it.
class ScriptedWindow : public view3d::SceneWindow {
  public:
    view3d::RenderDevice* CreateDevice() override {
        ++created;
        return failDevice ? nullptr : &device;
    }
    bool CreateFullscreenWindow() override { return true; }
    bool AttachDevice() override { return true; }
    void CloseFrame() override { ++closed; }
    void SetWaitCursor(bool) override {}
    void AdoptWindowSize() override { ++adopted; }

    view3d::RecordingDevice device;
    bool failDevice = false;
    int created = 0, closed = 0, adopted = 0;
};

} // namespace scene_test
