#pragma once

#include "HistoryTestSupport.h"

#include "pak/PakArchive.h"
#include "resources/ResourceCatalogue.h"

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

namespace doc_testing {

// The demo game's catalogue and its crossroads mission, unpacked once for
// all tests of a program; each test opens its own copy of the mission.
class DemoMissionFixture : public DocFixture {
  public:
    static bool Prepare() {
        if (s_ready) return s_catalogue != nullptr;
        s_ready = true;
        const std::filesystem::path game = VM_DEMO_GAME;
        if (!std::filesystem::exists(game / "game.pak")) return false;
        s_dir = std::make_unique<testing_support::TempDir>();
        auto catalogue = std::make_unique<resources::CResourceCatalogue>(nullptr, nullptr, nullptr);
        catalogue->SetGamePath(game.string());
        catalogue->SetResourceDir((s_dir->path() / "res").string());
        pak::CPakArchive pak;
        if (!catalogue->LoadResources() || !pak.Open(game / "game.pak") || !pak.List() ||
            !pak.Extract({}, {"map/single/crossroads/crossroads.mi", "map/single/crossroads/map"},
                         s_dir->path() / "missions"))
            return false;
        s_catalogue = std::move(catalogue);
        return true;
    }
    static resources::CResourceCatalogue& Catalogue() { return *s_catalogue; }

    // A fresh copy of the crossroads mission with its base map, opened with the
    // demo catalogue and its records scanned as the 3D view scans them.
    std::unique_ptr<CVarnholtMapEditorDoc> OpenCrossroads() {
        const std::filesystem::path from = s_dir->path() / "missions/map/single/crossroads";
        std::filesystem::copy_file(from / "crossroads.mi", dir.path() / "crossroads.mi",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(from / "map", dir.path() / "map",
                                   std::filesystem::copy_options::overwrite_existing);
        return Reopen(dir.path() / "crossroads.mi");
    }
    std::unique_ptr<CVarnholtMapEditorDoc> Reopen(const std::filesystem::path& path) {
        auto services = Services();
        services.catalogue = s_catalogue.get();
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        if (!doc->OnOpenDocument(path.string())) return nullptr;
        doc->ScanAll();
        return doc;
    }

    // The first entity of the working root whose type is typeName.
    static CDefNode* EntityOf(CVarnholtMapEditorDoc& doc, std::string_view typeName) {
        std::string quoted = "\"" + std::string(typeName) + "\"";
        for (CDefNode* c : doc.WorkingRoot()->Children())
            if (c->Name() == "Entity" && c->GetValue(0) && quoted == c->GetValue(0)) return c;
        return nullptr;
    }
    static CDefNode* Waypoint(CVarnholtMapEditorDoc& doc, std::string_view uid) {
        CDefNode* waypoints = doc.WorkingRoot()->Find("waypoints");
        return waypoints ? waypoints->FindChild(uid) : nullptr;
    }

  private:
    inline static bool s_ready = false;
    // Kept for the whole program; the folder goes when it ends.
    inline static std::unique_ptr<testing_support::TempDir> s_dir;
    inline static std::unique_ptr<resources::CResourceCatalogue> s_catalogue;
};

#define VM_REQUIRE_DEMO_MISSION()                                                                  \
    if (!::doc_testing::DemoMissionFixture::Prepare())                                             \
    GTEST_SKIP() << "demo game not available: " << VM_DEMO_GAME

} // namespace doc_testing
