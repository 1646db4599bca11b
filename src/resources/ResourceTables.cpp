// The fixed tables of the catalogue: what is unpacked from the game's
// archives, in which order, and which folders feed which category.

#include "resources/ResourceCatalogue.h"

#include <iterator>

namespace resources {

namespace {

constexpr const char* kPatch1 = "resource/Patch/1.pat";
constexpr const char* kPatch2 = "resource/Patch/2.pat";

// A row whose only patch row is the same prefix from the second patch.
UnpackRow Patched(const char* prefix) {
    return {prefix, {{kPatch2, {prefix}}}};
}

} // namespace

const std::vector<UnpackRow>& UnpackTable() {
    static const std::vector<UnpackRow> table = {
        {"entity/landscape/map",
         {{kPatch2,
           {"entity/landscape/map/120_3m", "entity/landscape/map/90x90_3m",
            "entity/landscape/map/land400x600"}}}},
        {"entity/-vehicle/tank",
         {{kPatch1, {"entity/-vehicle/tank_medium/m4a2"}},
          {kPatch2,
           {"entity/-vehicle/tank_heavy/is-2", "entity/-vehicle/tank_heavy/isu-152",
            "entity/-vehicle/tank_heavy/pz-6", "entity/-vehicle/tank_light/bt-7a",
            "entity/-vehicle/tank_light/m8-scott", "entity/-vehicle/tank_light/pz-1b",
            "entity/-vehicle/tank_light/pz-2f", "entity/-vehicle/tank_medium/hummel",
            "entity/-vehicle/tank_medium/mkivchurchill", "entity/-vehicle/tank_medium/pz-4d",
            "entity/-vehicle/tank_medium/t-34-76-41", "entity/-vehicle/tank_medium/x/mkivchurchill",
            "entity/-vehicle/tank_medium/x/pz-4d_xx"}}}},
        {"entity/-vehicle/cannon", {}},
        {"entity/-vehicle/btr",
         {{kPatch2,
           {"entity/-vehicle/btr/m8grayhound", "entity/-vehicle/btr/sdkfz250_3",
            "entity/-vehicle/btr/x/m3a1_x", "entity/-vehicle/btr/x/m8grayhound",
            "entity/-vehicle/btr/x/sdkfz10-5_x"}}}},
        {"entity/-vehicle/car",
         {{kPatch2, {"entity/-vehicle/car/bmw-r12", "entity/-vehicle/car/gmc"}}}},
        {"entity/-vehicle/marine", {}},
        {"entity/-vehicle/airborne", {}},
        {"entity/-vehicle/train", {}},
        {"entity/inventory", {}},
        {"entity/-human", {}},
        {"entity/-fauna", {{kPatch2, {"entity/-fauna/chicken", "entity/-fauna/dog"}}}},
        Patched("entity/construction/house"),
        Patched("entity/construction/hangar"),
        {"entity/construction/monastery", {}},
        Patched("entity/construction/town"),
        {"entity/construction/fence", {}},
        {"entity/construction/entourage",
         {{kPatch2, {"entity/construction/entourage/stack_fence"}}}},
        {"entity/construction/cover", {}},
        {"entity/construction/trash", {}},
        {"entity/flora/bush", {}},
        {"entity/flora/conifers", {}},
        {"entity/flora/tree", {}},
        {"entity/flora/forest_trash", {}},
        {"entity/landscape/rock", {}},
        {"entity/landscape/stamp", {}},
        {"entity/background/sky", {}},
        {"entity/landscape/water", {}},
        {"entity/landscape/patch", {}},
        {"entity/landscape/map", {}},
        {"entity/sound", {}},
        {"entity/construction/bridge",
         {{kPatch2,
           {"entity/construction/bridge/bridge_town",
            "entity/construction/bridge/x/bridge_town_x"}}}},
        {"entity/construction/railway", {}},
        {"properties/particle", {}},
        {"properties/shadow", {}},
        Patched("fx/smoke"),
        Patched("fx/_bmp"),
        Patched("fx/weather"),
        {"texture/background", {}},
        Patched("texture/common/animation"),
        {"texture/common/barrel", {}},
        {"texture/common/bridges", {}},
        Patched("texture/common/constructions"),
        {"texture/common/decor", {}},
        Patched("texture/common/entourage"),
        {"texture/common/flora", {}},
        Patched("texture/common/fragments"),
        {"texture/common/ground", {}},
        {"texture/common/model", {}},
        {"texture/common/Objects", {}},
        {"texture/common/rocks", {}},
        Patched("texture/common/roof"),
        Patched("texture/common/town-euro"),
        {"texture/common/wall", {}},
        {"texture/common/water", {}},
        {"texture/common/wood", {}},
    };
    return table;
}

const std::vector<ScanRow>& ScanTable() {
    static const std::vector<ScanRow> table = {
        {"entity/landscape", "map", 0, CategoryMapDefinitions},
        {"entity/-vehicle", "tank", 1, CategoryTanks},
        {"entity/-vehicle", "cannon", 2, CategoryGuns},
        {"entity/-vehicle", "btr", 3, CategoryTransport},
        {"entity/-vehicle", "car", 3, CategoryTransport},
        {"entity/-vehicle", "marine", 4, CategoryMarine},
        {"entity/-vehicle", "airborne", 5, CategoryAirborne},
        {"entity/-vehicle", "train", 16, CategoryRailway},
        {"entity/inventory", nullptr, 6, CategoryWeapons},
        {"entity/-human", nullptr, 7, CategoryHumans},
        {"entity/-fauna", nullptr, 9, CategoryAnimals},
        {"entity/construction", "house", 10, CategoryBuildings},
        {"entity/construction", "hangar", 10, CategoryBuildings},
        {"entity/construction", "monastery", 10, CategoryBuildings},
        {"entity/construction", "town", 10, CategoryBuildings},
        {"entity/construction", "fence", 11, CategoryFences},
        {"entity/construction", "entourage", 11, CategoryFences},
        {"entity/construction", "cover", 11, CategoryFences},
        {"entity/flora", "bush", 17, CategoryVegetation},
        {"entity/flora", "tree", 17, CategoryVegetation},
        {"entity/flora", "forest_trash", 17, CategoryVegetation},
        {"entity/flora", "conifers", 17, CategoryVegetation},
        {"entity/landscape", "stamp", 12, CategoryLandscape},
        {"entity/background", "sky", -1, CategorySky},
        {"entity/landscape", "patch", 12, CategoryLandscape},
        {"entity/landscape", "rock", 12, CategoryLandscape},
        {"entity/landscape", "map", 12, CategoryLandscape},
        {"properties", "particle", 12, CategoryLandscape},
        {"entity/sound", nullptr, 13, CategorySounds},
        {"entity/landscape", "water", 14, CategoryWater},
        {"entity/construction", "bridge", 15, CategoryBridge},
        {"entity/construction", "railway", 16, CategoryRailway},
        {"entity/construction", "trash", 18, CategoryTrash},
        {"fx/smoke", nullptr, 18, CategoryTrash},
    };
    return table;
}

const char* CategoryLabel(int category) {
    static const char* const labels[] = {
        "Tanks",
        "Guns",
        "Transport",
        "Marine",
        "Airborne",
        "Weapons",
        "Humans (equipped)",
        "Humans",
        "Animals",
        "Buildings",
        "Complete Buildings",
        "Fences",
        "Landscape",
        "Sounds",
        "Water",
        "Bridge",
        "Railway",
        "Vegetation",
        "Trash",
        nullptr,
        "Zones",
        "Events",
        "Triggers",
        "Camera Path",
    };
    if (category < 0 || category >= static_cast<int>(std::size(labels))) return nullptr;
    return labels[category];
}

} // namespace resources
