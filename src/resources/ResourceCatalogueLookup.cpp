// Finding files, textures and materials that definitions refer to.

#include "resources/ResourceCatalogue.h"

#include "format/DefParser.h"
#include "platform/Text.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace resources {

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// Whether path lies below dir, comparing as the game's file system does:
// letters without case, either separator.
bool BeginsWithFolder(std::string_view path, std::string_view dir) {
    if (dir.empty() || path.size() <= dir.size()) return false;
    for (size_t i = 0; i < dir.size(); ++i) {
        if (IsSeparator(path[i]) && IsSeparator(dir[i])) continue;
        if (platform::LowerCp1252(static_cast<unsigned char>(path[i])) !=
            platform::LowerCp1252(static_cast<unsigned char>(dir[i])))
            return false;
    }
    return true;
}

// The first top-level node of the file that has a child of that name.
const CDefNode* FirstChildNamed(const CDefFile& file, std::string_view name) {
    for (const auto& node : file.Nodes())
        if (CDefNode* child = node->FindChild(name)) return child;
    return nullptr;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           platform::EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace

bool CResourceCatalogue::ResourceExists(std::string_view name, std::string& path) const {
    std::string built = m_resourceDir;
    if (name.empty() || !IsSeparator(name.front())) built += kSeparator;
    built += name;
    if (auto found = m_paths.Find(built)) {
        path = found->string();
        return true;
    }
    path = NativeSeparators(built);
    return false;
}

std::string CResourceCatalogue::ResolveReference(const CDefNode* node, size_t index,
                                                 std::string_view referencingFile,
                                                 std::string_view mod) const {
    const char* value = node ? node->GetValue(index) : nullptr;
    if (!value) return {};
    std::string reference = Unquote(value);

    std::string base;
    if (!reference.empty() && reference.front() == '/') {
        base = m_resourceDir;
        if (!mod.empty()) base += kSeparator;
    } else {
        size_t cut = referencingFile.find_last_of("/\\");
        base = cut == std::string_view::npos ? std::string()
                                             : std::string(referencingFile.substr(0, cut + 1));
    }
    if (!mod.empty()) {
        base += mod;
        base += ".mod";
        if (reference.empty() || !IsSeparator(reference.front())) base += kSeparator;
    }
    std::string built = base + reference;
    if (auto found = m_paths.Find(built)) return found->string();
    return NativeSeparators(built);
}

std::pair<std::string, std::string>
CResourceCatalogue::ReferenceFileAndParameter(const CDefNode* node) {
    const char* value = node ? node->GetValue(0) : nullptr;
    if (!value) return {};
    std::string text = Unquote(value);
    size_t colon = text.find(':');
    if (colon == std::string::npos) return {text, {}};
    return {text.substr(0, colon), text.substr(colon + 1)};
}

std::string CResourceCatalogue::ReferenceSecondValue(const CDefNode* node) {
    const char* value = node ? node->GetValue(1) : nullptr;
    return value ? Unquote(value) : std::string();
}

std::string CResourceCatalogue::RelativeName(std::string_view referencingFile,
                                             std::string_view reference) const {
    if (reference.empty() || IsSeparator(reference.front())) return std::string(reference);
    std::string folder(referencingFile);
    if (BeginsWithFolder(folder, m_resourceDir)) {
        folder.erase(0, m_resourceDir.size());
        if (!folder.empty() && IsSeparator(folder.front())) folder.erase(0, 1);
    }
    std::replace(folder.begin(), folder.end(), '\\', '/');
    size_t cut = folder.rfind('/');
    folder.resize(cut == std::string::npos ? 0 : cut + 1);
    return folder + std::string(reference);
}

std::string CResourceCatalogue::ResolveTexture(std::string_view referencingFile,
                                               std::string_view reference,
                                               std::string_view variant) const {
    if (reference.empty()) return {};
    std::string relative = RelativeName(referencingFile, reference);

    std::string tried = relative;
    if (!variant.empty()) {
        // The variant goes into the file name only: a dot in a folder name
        // ("../tex") is no extension.
        size_t nameStart = relative.find_last_of("/\\");
        nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
        size_t dot = relative.find('.', nameStart);
        size_t cut = relative.find('#', nameStart);
        if (cut == std::string::npos) cut = dot;
        tried = relative.substr(0, cut) + "#" + std::string(variant) +
                (dot == std::string::npos ? std::string() : relative.substr(dot));
    }

    std::string full;
    std::string found;
    if (ResourceExists(tried, full)) {
        found = tried;
    } else if (!variant.empty() && ResourceExists(relative, full)) {
        found = relative;
    } else {
        return full;
    }

    CDefFile description(full);
    const CDefNode* frame = FirstChildNamed(description, "Frame");
    if (!frame) return {};
    std::string framePath = ResolveReference(frame, 0, full);
    size_t nameStart = framePath.find_last_of("/\\");
    std::string frameFile = framePath.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
    frameFile = frameFile.substr(0, frameFile.find(':'));

    size_t slash = found.find_last_of("/\\");
    std::string image =
        (slash == std::string::npos ? std::string() : found.substr(0, slash + 1)) + frameFile;
    std::string imagePath;
    return ResourceExists(image, imagePath) ? imagePath : std::string();
}

std::string CResourceCatalogue::MaterialTexture(std::string_view referencingFile,
                                                std::string_view materialReference) const {
    std::string full;
    if (!ResourceExists(RelativeName(referencingFile, materialReference), full)) return full;
    CDefFile material(full);
    const CDefNode* stage = FirstChildNamed(material, "stage");
    if (!stage) return {};
    return ResolveTexture(full, ReferenceSecondValue(stage));
}

bool CResourceCatalogue::MaterialIsAlphaBlended(std::string_view materialPath) const {
    auto found = m_paths.Find(materialPath);
    if (!found) return false;
    CDefFile material(*found);
    const CDefNode* blend = FirstChildNamed(material, "Blend");
    const char* value = blend ? blend->GetValue(0) : nullptr;
    return value && platform::EqualsNoCase(value, "alpha");
}

bool CResourceCatalogue::MaterialHasMipmaps(std::string_view materialPath) const {
    auto found = m_paths.Find(materialPath);
    if (!found) return false;
    CDefFile material(*found);
    const CDefNode* mipmap = FirstChildNamed(material, "Mipmap");
    const char* value = mipmap ? mipmap->GetValue(0) : nullptr;
    return value && std::string_view(value) == "1";
}

bool CheckEntityType(CDefNode& node, const CResourceCatalogue& catalogue) {
    if (node.Name() != "Entity" || node.ValueCount() == 0) return false;
    std::string type = Unquote(node.GetValue(0));
    type.resize(std::min(type.size(), type.find(':')));
    // Static map objects carry neither MID nor Player, known type or not.
    if (EndsWithNoCase(type, "_x") || EndsWithNoCase(type, "_xx")) node.isUnit = false;
    return catalogue.FindEntity(type) != nullptr;
}

} // namespace resources
