#include "view3d/TextureResolver.h"

#include "resources/ResourceCatalogue.h"

#include <algorithm>
#include <cctype>

namespace view3d {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The reference's name below the resource folder, the way the catalogue's
// texture lookup builds it before it looks for the description.
std::string RelativeName(std::string_view resourceDir, std::string_view referencingFile,
                         std::string_view reference) {
    if (reference.empty() || IsSeparator(reference.front())) return std::string(reference);
    std::string folder(referencingFile);
    if (folder.size() > resourceDir.size() && !resourceDir.empty()) {
        bool below = true;
        for (size_t i = 0; i < resourceDir.size() && below; ++i) {
            char a = folder[i], b = resourceDir[i];
            if (IsSeparator(a) && IsSeparator(b)) continue;
            below = std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
        }
        if (below) {
            folder.erase(0, resourceDir.size());
            if (!folder.empty() && IsSeparator(folder.front())) folder.erase(0, 1);
        }
    }
    std::replace(folder.begin(), folder.end(), '\\', '/');
    size_t cut = folder.rfind('/');
    folder.resize(cut == std::string::npos ? 0 : cut + 1);
    return folder + std::string(reference);
}

} // namespace

ResolvedTexture CatalogueTextureResolver::Resolve(std::string_view referencingFile,
                                                  std::string_view reference,
                                                  std::string_view variant) const {
    // Only the referencing file's folder matters to the lookup.
    const size_t cut = referencingFile.find_last_of("/\\");
    std::string folder(referencingFile.substr(0, cut == std::string_view::npos ? 0 : cut + 1));
    auto key = std::make_tuple(std::move(folder), std::string(reference), std::string(variant));
    auto found = m_known.find(key);
    if (found != m_known.end()) return found->second;
    ResolvedTexture out = Lookup(referencingFile, reference, variant);
    m_known.emplace(std::move(key), out);
    return out;
}

ResolvedTexture CatalogueTextureResolver::Lookup(std::string_view referencingFile,
                                                 std::string_view reference,
                                                 std::string_view variant) const {
    ResolvedTexture out;
    out.path = m_catalogue.ResolveTexture(referencingFile, reference, variant);
    if (out.path.empty()) return out;

    // The description that lookup went through: the variant's own when it
    // exists, else the plain one.
    std::string relative = RelativeName(m_catalogue.ResourceDir(), referencingFile, reference);
    if (!variant.empty()) {
        size_t nameStart = relative.find_last_of("/\\");
        nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
        size_t dot = relative.find('.', nameStart);
        size_t cut = relative.find('#', nameStart);
        if (cut == std::string::npos) cut = dot;
        std::string variantName = relative.substr(0, cut) + "#" + std::string(variant) +
                                  (dot == std::string::npos ? std::string() : relative.substr(dot));
        if (m_catalogue.ResourceExists(variantName, out.description)) return out;
    }
    if (!m_catalogue.ResourceExists(relative, out.description)) out.description.clear();
    return out;
}

bool CatalogueTextureResolver::IsAlphaBlended(const std::string& description) const {
    return !description.empty() && m_catalogue.MaterialIsAlphaBlended(description);
}

bool CatalogueTextureResolver::HasMipmaps(const std::string& description) const {
    return !description.empty() && m_catalogue.MaterialHasMipmaps(description);
}

} // namespace view3d
