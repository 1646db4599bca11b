#include "document/VarnholtMapEditorDoc.h"

#include "format/DefGuard.h"
#include "format/DefParser.h"
#include "pak/PakArchive.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace document {

namespace {

std::string Extension(const std::string& path) {
    return platform::ToLowerCp1252(fs::path(path).extension().string());
}

std::string FileName(const std::string& path) {
    return fs::path(path).filename().string();
}

CDefNode* AddFloats(CDefNode* parent, const char* name, std::initializer_list<double> values) {
    CDefNode* node = parent->AddChild(name);
    size_t i = 0;
    for (double v : values)
        node->SetFloat(i++, v);
    return node;
}

std::unique_ptr<CDefNode> NewMissionRoot() {
    auto root = std::make_unique<CDefNode>();
    root->Assign("mission", {});
    CDefNode* camera = root->AddChild("Camera");
    AddFloats(camera, "Position", {842.193, 2100.95});
    AddFloats(camera, "Distance", {988.671, 200, 2000});
    AddFloats(camera, "ViewAngle", {0.432753, 10, 60});
    root->AddChild("Environment", "\"day\"");
    root->AddChild("User", "1");
    root->AddChild("GameProgress")->Assign("GameProgress", {"0", "0"});
    return root;
}

std::unique_ptr<CDefNode> NewMapRoot(const std::string& ground) {
    auto root = std::make_unique<CDefNode>();
    root->Assign("map", {});
    std::string quoted = "\"" + ground + "\"";
    CDefNode* entity = root->AddChild("Entity");
    entity->Assign("Entity", {quoted, "0x0"});
    AddFloats(entity, "Position", {0, 0, 0});
    return root;
}

// ": <why>" for a file that could not be read or written, as far as the
// file system tells; empty when it tells nothing.
std::string WriteFailureReason(const std::string& path, int error) {
    std::error_code ec;
    fs::path target(path);
    fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (path.empty()) return ": no file name was given";
    if (fs::is_directory(target, ec)) return ": it is a folder";
    if (!fs::is_directory(folder, ec))
        return ": the folder '" + folder.string() + "' does not exist";
    if (error != 0) return ": " + std::generic_category().message(error);
    return {};
}

std::string DamagedFileQuestion(const std::string& path,
                                const std::vector<format::ParseProblem>& problems) {
    return "The file '" + path + "' was read with problems:\n" +
           format::DescribeProblems(problems) +
           "If you open it, saving will write only what was read.\nOpen it anyway?";
}

// A node as a message names it: its name and its ID, or else its first value.
std::string NodeForMessage(const CDefNode& node) {
    std::string text = "the block '" + std::string(node.Name()) + "'";
    for (std::string_view value : node.Values())
        if (value.substr(0, 2) == "0x") return text + " with the ID " + std::string(value);
    if (node.ValueCount() > 0)
        text += " with the first value '" + std::string(node.GetValue(0)) + "'";
    return text;
}

BoundsRect RectOf(const CDefNode* node, const BoundsRect& fallback) {
    if (!node) return fallback;
    double v[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4; ++i)
        node->GetFloat(i, v[i]);
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]),
            static_cast<float>(v[3])};
}

} // namespace

void CVarnholtMapEditorDoc::DeleteContents() {
    m_directEditText.clear();
    if (m_appending) return;
    // Nothing of what is read anew can be undone; views forget every node.
    ClearHistory();
    Notify({ChangeKind::Reset});
    m_extent.picture = {};
    m_extent.offsetX = m_extent.offsetY = 0.0f;
    m_zones.clear();
    m_events.clear();
    m_triggers.clear();
    m_cameraPaths.clear();
    m_roots.clear();
}

CVarnholtMapEditorDoc::LoadOutcome CVarnholtMapEditorDoc::LoadFile(const std::string& path,
                                                                   bool reportFailure) {
    DeleteContents();
    CDefScanner scanner{fs::path(path)};
    if (!scanner.Ok()) {
        if (reportFailure) Message("Cannot open the file '" + path + "'.");
        return LoadOutcome::Unreadable;
    }
    scanner.CollectProblems();
    format::DuplicateChecks checks{m_idRegistry.get(), m_midRegistry.get(), m_services.prompts};
    while (ParseBlocks(scanner, nullptr, m_roots, checks, m_loadingBaseMap)) {
    }
    // Whatever was skipped or cut off is gone at the next save, so a damaged
    // file is opened only when the user knows that.
    std::vector<format::ParseProblem> problems = scanner.TakeProblems();
    if (!problems.empty() &&
        !(m_services.prompts && m_services.prompts->AskYesNo(DamagedFileQuestion(path, problems))))
        return LoadOutcome::Declined;
    return LoadOutcome::Loaded;
}

bool CVarnholtMapEditorDoc::LoadFromText(std::string_view text) {
    DeleteContents();
    CDefScanner scanner = CDefScanner::FromText(text);
    format::DuplicateChecks checks{m_idRegistry.get(), m_midRegistry.get(), m_services.prompts};
    while (ParseBlocks(scanner, nullptr, m_roots, checks, m_loadingBaseMap)) {
    }
    return true;
}

namespace {

// Holds the parser's duplicate reports until the text is known to be taken.
class HeldMessages : public platform::Prompts {
  public:
    std::vector<std::pair<std::string, platform::Icon>> messages;
    void Message(std::string_view text, platform::Icon icon) override {
        messages.emplace_back(std::string(text), icon);
    }
    bool AskYesNo(std::string_view) override { return false; }
};

} // namespace

bool CVarnholtMapEditorDoc::ReloadFromText(std::string_view text,
                                           std::vector<format::ParseProblem>& problems) {
    // The identifiers are those of the new text alone: the blocks they came
    // from are replaced, and locked base map blocks never register any.
    std::vector<uint32_t> ids(format::kRegistrySize), mids(format::kRegistrySize);
    HeldMessages held;
    CDefScanner scanner = CDefScanner::FromText(text);
    scanner.CollectProblems();
    format::DuplicateChecks checks{ids.data(), mids.data(), &held};
    DefNodeList parsed;
    while (ParseBlocks(scanner, nullptr, parsed, checks, false)) {
    }
    problems = scanner.TakeProblems();
    if (!problems.empty() || parsed.empty()) return false;

    // Records point into the blocks about to go; they are made anew below.
    m_zones.clear();
    m_events.clear();
    m_triggers.clear();
    m_cameraPaths.clear();
    m_eventIds.fill(0xFF);
    m_cameraPathIds.fill(0xFF);
    std::erase_if(m_roots, [](const std::unique_ptr<CDefNode>& root) { return !root->locked; });
    for (auto& root : parsed)
        m_roots.push_back(std::move(root));
    std::copy(ids.begin(), ids.end(), m_idRegistry.get());
    std::copy(mids.begin(), mids.end(), m_midRegistry.get());
    m_directEditText.clear();
    // The replaced nodes are gone: nothing before this can be undone.
    ClearHistory();
    Notify({ChangeKind::Reset});
    if (m_services.prompts)
        for (const auto& [message, icon] : held.messages)
            m_services.prompts->Message(message, icon);
    ScanAll();
    return true;
}

bool CVarnholtMapEditorDoc::OnNewDocument() {
    DeleteContents();
    if (m_kind == Mission) {
        std::optional<std::string> base =
            m_services.dialogs ? m_services.dialogs->OpenBaseMap() : std::nullopt;
        if (!base) return false;
        m_loadingBaseMap = true;
        m_baseMapPath = *base;
        const LoadOutcome map = LoadFile(*base, true);
        if (map == LoadOutcome::Declined) {
            m_loadingBaseMap = false;
            DeleteContents();
            return false;
        }
        if (map == LoadOutcome::Loaded) m_appending = true;
        m_loadingBaseMap = m_appending = false;
        m_roots.push_back(NewMissionRoot());
    } else {
        std::string ground = "$createmap$";
        if (m_kind == Map) {
            std::vector<std::string> templates;
            if (m_services.catalogue)
                for (const auto& entry : m_services.catalogue->Entries())
                    if (entry.category == resources::CategoryMapDefinitions)
                        templates.push_back(entry.name);
            std::optional<std::string> chosen =
                m_services.dialogs ? m_services.dialogs->ChooseMapTemplate(templates)
                                   : std::nullopt;
            if (!chosen) return false;
            ground = *chosen;
        }
        m_roots.push_back(NewMapRoot(ground));
    }
    SetModifiedFlag(true);
    return true;
}

bool CVarnholtMapEditorDoc::PickPakMember(const std::string& archivePath, std::string& extracted) {
    pak::CPakArchive pak(m_services.prompts);
    if (!pak.Open(archivePath)) return false;
    pak.List();
    if (pak.Members().empty()) return false;
    std::optional<std::string> member =
        m_services.dialogs ? m_services.dialogs->PickPakMember(pak.Members()) : std::nullopt;
    if (!member || member->empty() || !m_services.catalogue ||
        m_services.catalogue->ResourceDir().empty())
        return false;
    std::vector<std::string> names{platform::ToLowerCp1252(*member)};
    // A mission needs its base map from the same folder of the archive.
    if (Extension(*member) == ".mi") {
        size_t slash = member->rfind('/');
        std::string folder =
            slash == std::string::npos ? std::string() : member->substr(0, slash + 1);
        names.push_back(platform::ToLowerCp1252(folder + "map"));
    }
    fs::path target = m_services.catalogue->ResourceDir();
    pak.Extract({}, names, target);
    if (pak.LastResult() > pak::PakWarning) return false;
    fs::path file = target / fs::path(*member).relative_path();
    if (!fs::exists(file)) return false;
    extracted = file.string();
    return true;
}

bool CVarnholtMapEditorDoc::OnOpenDocument(const std::string& path) {
    std::string file = path;
    std::string ext = Extension(file);
    if (ext == ".pak" || ext == ".pat") {
        if (m_services.host) m_services.host->AddRecentFile(path);
        std::string extracted;
        if (!PickPakMember(path, extracted)) return false;
        file = extracted;
        ext = Extension(file);
    }
    if (ext == ".mi") {
        m_kind = Mission;
        m_baseMapPath = (fs::path(file).parent_path() / "map").string();
        m_loadingBaseMap = true;
        LoadOutcome map = LoadFile(m_baseMapPath, false);
        if (map == LoadOutcome::Unreadable) {
            std::optional<std::string> chosen =
                m_services.dialogs ? m_services.dialogs->OpenBaseMap() : std::nullopt;
            map = chosen ? LoadFile(*chosen, true) : LoadOutcome::Unreadable;
            // The copy beside the mission is made from the map actually used.
            if (map == LoadOutcome::Loaded) m_baseMapPath = *chosen;
        }
        if (map != LoadOutcome::Loaded) {
            m_loadingBaseMap = false;
            DeleteContents();
            return false;
        }
        m_appending = true;
    } else if (ext.empty()) {
        m_kind = Map;
        m_baseMapPath = file;
    }
    m_loadingBaseMap = false;
    bool loaded = LoadFile(file, true) == LoadOutcome::Loaded;
    m_appending = false;
    if (!loaded) {
        // Nothing of a declined file, nor of the map read before it, stays.
        DeleteContents();
        return false;
    }
    m_pathName = file;
    m_title = FileName(file);
    // The records mirror the file from the start, whatever view shows it.
    ScanAll();
    ClearHistory();
    SetModifiedFlag(false);
    // Views that were showing the document before it was read anew start over.
    Notify({ChangeKind::Reset});
    return true;
}

void CVarnholtMapEditorDoc::Serialize(format::DefSink& sink) {
    if (m_services.host) {
        // A document saved from its text view is stored exactly as typed.
        if (std::optional<std::string> text = m_services.host->ActiveTextViewText()) {
            sink.Write(text->data(), text->size());
            return;
        }
    }
    for (const auto& root : m_roots)
        root->WriteNode(sink);
    if (m_services.host && m_services.host->HasTextView()) {
        m_directEditText.clear();
        m_services.host->ReloadTextView();
    }
}

bool CVarnholtMapEditorDoc::WriteDocument(const std::string& path) {
    platform::AtomicFile file;
    if (!file.Open(path)) return false;
    bool ok;
    {
        format::FileSink sink(file.Stream());
        Serialize(sink);
        ok = sink.Flush() && !sink.Failed();
    }
    if (!ok) {
        file.Discard();
        return false;
    }
    return file.Commit();
}

void CVarnholtMapEditorDoc::CopyBaseMap(const std::string& missionPath) {
    fs::path target = fs::path(missionPath).parent_path() / "map";
    std::error_code ec;
    if (fs::exists(target, ec)) {
        if (!m_services.prompts || !m_services.prompts->AskYesNo(kOverwriteMapQuestion)) return;
    }
    // The mission still saves without its map beside it, but it would not
    // open from there again: the user must know.
    std::optional<std::string> content = platform::ReadWholeFile(m_baseMapPath);
    if (!content || !platform::WriteFileAtomically(target, *content)) {
        int error = errno;
        if (m_services.prompts)
            m_services.prompts->Message(
                "The map '" + m_baseMapPath + "' could not be copied to '" + target.string() + "'" +
                    WriteFailureReason(content ? target.string() : m_baseMapPath, error) + ".",
                platform::Icon::Warning);
    }
}

bool CVarnholtMapEditorDoc::OnSaveDocument(const std::string& path) {
    if (m_services.host) m_services.host->UpdateAllViews(UpdateHint::AboutToSave, 0);
    // Nodes are written as they are; one that would read back differently
    // would change the document, or every block after it, at the next open.
    // A save from the text view writes the typed text and is not checked here.
    const bool fromTextView = m_services.host && m_services.host->ActiveTextViewText();
    if (!fromTextView) {
        if (std::optional<format::UnwritableNode> bad = format::FindUnwritable(m_roots)) {
            if (m_services.prompts)
                m_services.prompts->Message("The document cannot be saved as '" + path +
                                                "': " + NodeForMessage(*bad->node) +
                                                " would not read back as it is. " + bad->problem +
                                                " Nothing was written.",
                                            platform::Icon::Error);
            return false;
        }
    }
    if (m_kind == Mission && !m_baseMapPath.empty()) CopyBaseMap(path);
    errno = 0;
    if (!WriteDocument(path)) {
        int error = errno;
        if (m_services.prompts)
            m_services.prompts->Message("The file '" + path + "' could not be written" +
                                            WriteFailureReason(path, error) + ".",
                                        platform::Icon::Error);
        return false;
    }
    // A map's own file is its base map, once it is really there.
    if (m_kind == Map) m_baseMapPath = path;
    SetModifiedFlag(false);
    if (m_services.host) m_services.host->TextViewSaved();
    return true;
}

bool CVarnholtMapEditorDoc::DoSave(const std::string& path, bool replace) {
    std::string name = path;
    if (name.empty()) {
        std::string proposal = m_pathName;
        if (proposal.empty()) {
            if (replace && m_kind == Map) {
                CDefNode* root = MapRoot();
                BoundsRect camera =
                    RectOf(root ? root->FindChild("CameraBound") : nullptr, m_world);
                BoundsRect pather =
                    RectOf(root ? root->FindChild("PatherBound") : nullptr, m_world);
                if (!EditBounds(m_world, camera, pather)) return false;
            }
            proposal = m_title.substr(0, m_title.find_first_of(" #%;/\\"));
            if (m_kind == Mission)
                proposal += ".mi";
            else
                proposal = "map";
        }
        std::optional<std::string> chosen =
            m_services.dialogs ? m_services.dialogs->AskSaveFileName(proposal, replace)
                               : std::nullopt;
        if (!chosen || chosen->empty()) return false;
        name = *chosen;
    }
    // Maps have no extension.
    if (m_kind != Mission && name.size() >= 3 &&
        platform::EqualsNoCase(std::string_view(name).substr(name.size() - 3), ".mi"))
        name.resize(name.size() - 3);
    if (!OnSaveDocument(name)) return false;
    if (replace) {
        m_pathName = name;
        SetTitle(FileName(name));
        if (m_services.host) m_services.host->AddRecentFile(name);
    }
    return true;
}

void CVarnholtMapEditorDoc::OnCloseDocument() {
    if (m_services.host)
        m_services.host->SendToMainFrame(AppMessage::DocumentClosing, 0,
                                         reinterpret_cast<intptr_t>(this));
}

} // namespace document
