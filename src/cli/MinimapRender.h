#pragma once

#include "document/DocumentHost.h"

#include <optional>
#include <string>

namespace document {
class CVarnholtMapEditorDoc;
}
namespace platform {
class Prompts;
}

namespace cli {

// The export's bounds picture without a window: the document's map drawn
// from above by the 3D view's scene in an offscreen OpenGL context. When no
// context can be made (or the program was built without the render device),
// why says so and there is no picture.
std::optional<document::BoundsPicture> RenderMinimap(document::CVarnholtMapEditorDoc& doc,
                                                     const std::string& gamePath,
                                                     const std::string& resourceDir,
                                                     platform::Prompts* prompts, std::string& why);

// The document's host while vmed exports: the picture is drawn on first
// request, at most once.
class MinimapHost : public document::DocumentHost {
  public:
    MinimapHost(document::CVarnholtMapEditorDoc& doc, std::string gamePath, std::string resourceDir,
                platform::Prompts* prompts)
        : m_doc(doc), m_gamePath(std::move(gamePath)), m_resourceDir(std::move(resourceDir)),
          m_prompts(prompts) {}
    const document::BoundsPicture* GetBoundsPicture() override;
    // Why the picture could not be drawn; empty when it was.
    const std::string& Why() const { return m_why; }

  private:
    document::CVarnholtMapEditorDoc& m_doc;
    std::string m_gamePath, m_resourceDir;
    platform::Prompts* m_prompts;
    bool m_tried = false;
    std::optional<document::BoundsPicture> m_picture;
    std::string m_why;
};

} // namespace cli
