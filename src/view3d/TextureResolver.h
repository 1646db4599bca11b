#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace resources {
class CResourceCatalogue;
}

namespace view3d {

// A texture reference of a model, resolved: the picture file to load and the
// texture description (".tex") it came through, whose "Blend" and "Mipmap"
// say how the picture is drawn. Both empty when nothing was found.
struct ResolvedTexture {
    std::string path;
    std::string description;
};

// How scene objects turn the texture names of a model into files. The
// editor resolves through the resource catalogue; tests give fixed answers.
class TextureResolver {
  public:
    virtual ~TextureResolver() = default;
    // The texture that reference names, relative to referencingFile, in the
    // variant's own picture when there is one.
    virtual ResolvedTexture Resolve(std::string_view referencingFile, std::string_view reference,
                                    std::string_view variant) const = 0;
    virtual bool IsAlphaBlended(const std::string& description) const = 0;
    virtual bool HasMipmaps(const std::string& description) const = 0;
};

// Resolves through the catalogue's texture lookups. Every answer is kept:
// the resource folder does not change while the editor runs, and a scene of
// thousands of elements asks for the same few textures again and again.
class CatalogueTextureResolver : public TextureResolver {
  public:
    explicit CatalogueTextureResolver(const resources::CResourceCatalogue& catalogue)
        : m_catalogue(catalogue) {}

    ResolvedTexture Resolve(std::string_view referencingFile, std::string_view reference,
                            std::string_view variant) const override;
    bool IsAlphaBlended(const std::string& description) const override;
    bool HasMipmaps(const std::string& description) const override;

  private:
    ResolvedTexture Lookup(std::string_view referencingFile, std::string_view reference,
                           std::string_view variant) const;

    const resources::CResourceCatalogue& m_catalogue;
    // (folder of the referencing file, reference, variant) -> answer.
    mutable std::map<std::tuple<std::string, std::string, std::string>, ResolvedTexture> m_known;
};

} // namespace view3d
