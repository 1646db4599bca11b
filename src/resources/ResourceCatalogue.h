#pragma once

#include "format/DefNode.h"
#include "resources/NoCasePaths.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {
class Prompts;
class Progress;
} // namespace platform

namespace resources {

// Entity categories. The scanned ones index the category name lists where
// the list and the category agree; see the scan table for the exceptions.
enum EntityCategory : int {
    CategoryTanks = 0,
    CategoryGuns = 1,
    CategoryTransport = 2,
    CategoryMarine = 3,
    CategoryAirborne = 4,
    CategoryWeapons = 5,
    CategoryHumansEquipped = 6,
    CategoryHumans = 7,
    CategoryAnimals = 8,
    CategoryBuildings = 9,
    CategoryCompleteBuildings = 10,
    CategoryFences = 11,
    CategoryLandscape = 12,
    CategorySounds = 13,
    CategoryWater = 14,
    CategoryBridge = 15,
    CategoryRailway = 16,
    CategoryVegetation = 17,
    CategoryTrash = 18,
    CategoryZones = 20,
    CategoryEvents = 21,
    CategoryTriggers = 22,
    CategoryCameraPath = 23,
    CategoryMapDefinitions = 24,
    CategorySky = 27,
};

constexpr int kCategoryListCount = 19;
// The progress bar's range for a whole load.
constexpr int kLoadProgressRange = 62;

// The label of a category in the property bar's type box; nullptr for
// categories without one (24, 27 and the unused numbers).
const char* CategoryLabel(int category);

// One row of the unpack table: a prefix of game.pak and the patch rows that
// are unpacked over it.
struct UnpackRow {
    const char* prefix;
    std::vector<std::pair<const char*, std::vector<const char*>>> patches; // archive, prefixes
};
const std::vector<UnpackRow>& UnpackTable();

// One row of the scan table. list -1 is the temporary list of sky backgrounds.
struct ScanRow {
    const char* base;
    const char* sub; // nullptr: the whole base folder
    int list;
    int category;
};
const std::vector<ScanRow>& ScanTable();

// One entity type found by the scan: a `.def` file.
struct CEntityEntry {
    std::string name; // file name without extension, lower-cased
    std::string path; // the definition file's path as the scan found it
    int category = 0;
};

// The two folder questions of a load. The GUI shows the folder browser and
// the Resource Directory dialog; tests script the answers.
class ResourcePathDialogs {
  public:
    virtual ~ResourcePathDialogs() = default;
    // The folder browser with this title; empty when cancelled.
    virtual std::string BrowseFolder(std::string_view title) = 0;
    // The Resource Directory dialog, its field filled with `proposal`; the
    // chosen folder, or nullopt when cancelled.
    virtual std::optional<std::string> AskResourceDirectory(std::string_view proposal) = 0;
};

// The editor's view of the game's resources: it unpacks what it needs from
// the game's archives into the resource directory, catalogues the entity
// definitions found there, reads the breed, skin and environment sets, and
// resolves the references of definitions to files. Lives as long as the
// application; filled once by LoadResources.
//
// All file lookups below the resource directory ignore case (CNoCasePaths).
// Paths handed out use the platform's separator and, where the file exists,
// its spelling on disk, so callers can open them directly.
class CResourceCatalogue {
  public:
    // Any of the interfaces may be null: then nothing is shown, and a
    // question is answered as if cancelled.
    CResourceCatalogue(platform::Prompts* prompts, platform::Progress* progress,
                       ResourcePathDialogs* dialogs);
    ~CResourceCatalogue();
    CResourceCatalogue(const CResourceCatalogue&) = delete;
    CResourceCatalogue& operator=(const CResourceCatalogue&) = delete;

    void SetGamePath(std::string path);
    void SetResourceDir(std::string path);
    const std::string& GamePath() const { return m_gamePath; }
    const std::string& ResourceDir() const { return m_resourceDir; }

    // The whole load at start: asks for missing paths, unpacks the set files
    // and the unpack table, scans the scan table and reads the sets. False
    // when a path is still missing or the Resource Directory dialog was
    // cancelled; missing archives and members are not failures.
    bool LoadResources();

    // Unpacks the members of <game path>/<archive> whose names begin with
    // prefix (ignoring case). Returns the number selected, 0 when the prefix
    // is already present (unless force) or nothing matched, -1 on failure.
    int UnpackDirectory(std::string_view archive, std::string_view prefix, bool force);
    // Makes sure the file `path` exists below the resource directory.
    bool UnpackFile(std::string_view archive, std::string_view path);
    // Catalogues the .def files under <resource dir>/<base>/<sub>*.
    void ScanEntities(std::string_view base, const char* sub, std::vector<std::string>& list,
                      int category);

    // First entry of that name in scan order, ignoring case; nullptr when none.
    CEntityEntry* FindEntity(std::string_view name);
    const CEntityEntry* FindEntity(std::string_view name) const;

    // path = <resource dir> + "/" + name (no separator added when name begins
    // with one); true when that file exists, ignoring case, and then path is
    // its spelling on disk.
    bool ResourceExists(std::string_view name, std::string& path) const;

    // Value `index` of node as a file path: "/..." below the resource
    // directory, anything else beside referencingFile; a mod inserts the
    // folder "<mod>.mod". Empty when the node lacks the value.
    std::string ResolveReference(const CDefNode* node, size_t index,
                                 std::string_view referencingFile, std::string_view mod = {}) const;
    // Value 0 without quotes, split at its first ':' into file and parameter.
    static std::pair<std::string, std::string> ReferenceFileAndParameter(const CDefNode* node);
    // Value 1 without quotes.
    static std::string ReferenceSecondValue(const CDefNode* node);

    std::string ResolveTexture(std::string_view referencingFile, std::string_view reference,
                               std::string_view variant = {}) const;
    std::string MaterialTexture(std::string_view referencingFile,
                                std::string_view materialReference) const;
    bool MaterialIsAlphaBlended(std::string_view materialPath) const;
    bool MaterialHasMipmaps(std::string_view materialPath) const;

    const std::vector<CEntityEntry>& Entries() const { return m_entries; }
    std::vector<CEntityEntry>& Entries() { return m_entries; }
    const std::vector<std::string>& CategoryList(int list) const {
        return m_lists.at(static_cast<size_t>(list));
    }
    const std::vector<std::string>& BreedList() const { return m_breedList; }
    // Breed name -> its node in the breed set.
    const std::map<std::string, CDefNode*>& BreedMap() const { return m_breedMap; }
    // Skin name -> skeleton file, quotes removed.
    const std::map<std::string, std::string>& SkeletonMap() const { return m_skeletonMap; }
    const DefNodeList& EnvironmentPresets() const { return m_environment; }

  private:
    // The archive's path below the game path; nullopt when it does not exist.
    std::optional<std::filesystem::path> ArchivePath(std::string_view archive) const;
    // Asks for the resource directory when it is empty and creates it; false
    // when the dialog was cancelled or the folder cannot be made.
    bool EnsureResourceDir();
    bool PrefixPresent(std::string_view prefix) const;
    void ScanFolder(const std::filesystem::path& dir, std::string_view lowerPrefix,
                    std::vector<std::string>& list, int category,
                    std::vector<std::string>& visited);
    void ReadSets();
    // The relative name of a reference below the resource directory, as
    // texture and material lookups build it.
    std::string RelativeName(std::string_view referencingFile, std::string_view reference) const;
    void Step(const std::string& text);

    platform::Prompts* m_prompts;
    platform::Progress* m_progress;
    ResourcePathDialogs* m_dialogs;
    std::string m_gamePath;
    std::string m_resourceDir;
    mutable CNoCasePaths m_paths;

    std::vector<CEntityEntry> m_entries;
    // Lower-cased name -> index of its first entry: the catalogue's lookups
    // run once per entity of a mission, and a linear search over tens of
    // thousands of entries would dominate loading.
    std::unordered_map<std::string, size_t> m_firstByName;
    std::array<std::vector<std::string>, kCategoryListCount> m_lists;
    std::vector<std::string> m_breedList;
    std::map<std::string, CDefNode*> m_breedMap;
    std::map<std::string, std::string> m_skeletonMap;
    DefNodeList m_breedSet;
    DefNodeList m_environment;
};

// For an `Entity` node (exact case, at least one value): looks its type up in
// the catalogue and clears the node's isUnit flag when the type names a
// static map object (ending in "_x" or "_xx"). True when the type is known.
bool CheckEntityType(CDefNode& node, const CResourceCatalogue& catalogue);

} // namespace resources
