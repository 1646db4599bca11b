#pragma once

#include "document/DocumentTypes.h"

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDefNode;

namespace view3d {

// Mouse buttons held during a move, as flags.
enum CameraButtons : unsigned { CameraLeft = 1, CameraRight = 2, CameraMiddle = 4 };

enum class CameraKey { Left, Right, Up, Down };

// Where the camera looks, as the document's "Camera" block and the camera
// paths store it.
struct CameraPose {
    glm::vec3 eye{0.0f};
    glm::vec3 direction{0.0f, 0.0f, 1.0f}; // the viewing direction
    glm::vec3 target{0.0f};                // where the view meets the ground plane z = 0
    float distance = 0.0f;                 // from the eye to the target
    float viewAngle = 0.0f;                // the pitch, in radians
    float yawAngle = 0.0f;                 // in radians
};

// One child of a "Camera" block to write: value i of the node named name
// becomes values[i]; the node's later values stay as they are.
struct CameraBlockEntry {
    std::string name;
    std::vector<std::string> values;
};

// The writes that store the camera in one root's "Camera" block. When the
// block does not exist yet, it is created as child insertIndex of the root.
struct CameraBlockWrite {
    size_t rootIndex = 0;
    bool create = false;
    size_t insertIndex = 0;
    std::vector<CameraBlockEntry> entries;
};

// The camera of one 3D view. It turns with the middle button (arc-ball),
// pans with the right button inside the map's bounds, zooms with the wheel
// and turns by quarter turns on the arrow keys. Every distance scale
// follows the map size taken from the world bound.
//
// The camera circles a point of the ground (the map centre less the
// translation's x and y) at the zoom's distance (the translation's z,
// always negative), turned by the yaw about the vertical and by the pitch
// about the screen's horizontal. Matrices use glm's convention
// (RenderDevice.h); the view looks from (0, 0, -1) at the origin.
class Camera {
  public:
    static constexpr float kArcRadius = 0.85f;
    static constexpr float kPanFactor = 1.0f;
    static constexpr float kInitialZoom = -100.0f;
    static constexpr float kNearestZoom = -10.0f;
    static constexpr float kFarthestZoom = -4800.0f;
    static constexpr float kFocusZoom = -200.0f;

    Camera();

    // The back buffer's size, set on every device restore.
    void SetWindow(float width, float height, float radius = kArcRadius, float factor = kPanFactor);
    // Takes the map geometry and the pan bounds from the world bound (left,
    // top = min x, min y; right, bottom = max x, max y). Returns new size /
    // old size, by which the sky and the ground quad are rescaled (1 when
    // the old size was 0).
    float SetWorldBound(const document::BoundsRect& world);

    // Mouse input, after the editing tools have seen it. Each returns true
    // when the camera changed or took note, so the view renders a frame.
    void ButtonDown(CameraButtons button, float x, float y);
    bool MouseMove(unsigned buttons, float x, float y);
    // False when the step would leave the zoom range; the step is then
    // refused whole, not clipped.
    bool Wheel(int delta);
    // Left and Right turn the yaw by a quarter turn; Up and Down are the
    // editing tools' and return false.
    bool KeyDown(CameraKey key);

    // Brings the element at elementPosition to where groundPoint (the
    // ground seen at the window's centre) is now, zooming in to -200 when
    // farther out.
    void Focus(const glm::vec3& groundPoint, const glm::vec3& elementPosition);

    // Builds the camera from the document's "Camera" block: the first root's
    // for a map, the second root's for a mission (two or more roots). False,
    // with nothing changed, when there is no block.
    bool ResetFromDocument(const std::vector<std::unique_ptr<CDefNode>>& roots);
    // The writes that store the current camera in the document: for a
    // mission the second root's block first (with the yaw), then always the
    // first root's block. A camera the user has not moved since the reset
    // writes back the values it was built from, so saving a document does
    // not change its initial camera by itself.
    std::vector<CameraBlockWrite>
    SaveToDocument(const std::vector<std::unique_ptr<CDefNode>>& roots) const;
    // Where the camera looks now (also used to capture camera-path keys).
    CameraPose Pose() const;

    glm::mat4 ViewMatrix() const;
    glm::mat4 ProjectionMatrix() const;
    glm::mat4 WorldMatrix() const;
    // The eye point in map coordinates.
    glm::vec3 EyePoint() const;
    // The ground point the camera circles and looks at.
    glm::vec3 Target() const;
    // The turn from the map's axes (x east, y north, z down) to the camera's.
    static glm::mat4 MapAxes();
    // The pick ray through window pixel (x, y), in map coordinates, with a
    // unit direction.
    void PickRay(float x, float y, glm::vec3& origin, glm::vec3& direction) const;

    const glm::vec3& Translation() const { return m_translation; }
    const glm::quat& Yaw() const { return m_yaw; }
    const glm::quat& Pitch() const { return m_pitch; }
    const glm::mat4& YawMatrix() const { return m_yawMatrix; }
    const glm::mat4& PitchMatrix() const { return m_pitchMatrix; }
    float MapSize() const { return m_scale; }
    const glm::vec3& MapCentre() const { return m_centre; }
    const document::BoundsRect& Bounds() const { return m_bounds; }

    // The rotation from unit vector a to unit vector b: (a x h, a . h) with
    // h halfway between them. Opposite vectors give a half turn.
    static glm::quat ArcRotation(const glm::vec3& a, const glm::vec3& b);

  private:
    float m_width = 0.0f, m_height = 0.0f;
    float m_radius = kArcRadius, m_factor = kPanFactor;
    glm::quat m_yaw{1.0f, 0.0f, 0.0f, 0.0f}, m_pitch{1.0f, 0.0f, 0.0f, 0.0f};
    glm::mat4 m_yawMatrix{1.0f}, m_pitchMatrix{1.0f};
    glm::quat m_yawAtPress{1.0f, 0.0f, 0.0f, 0.0f}, m_pitchAtPress{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 m_horizontalAtPress{0.0f, 0.0f, 1.0f}, m_verticalAtPress{0.0f, 0.0f, 1.0f};
    glm::vec3 m_translation{0.0f, 0.0f, kInitialZoom};
    glm::vec2 m_last{0.0f}, m_press{0.0f};
    document::BoundsRect m_bounds{-20000.0f, -20000.0f, 20000.0f, 20000.0f};
    float m_scale = 0.0f;
    glm::vec3 m_centre{0.0f};
    // The block's values as read, while the user has not moved the camera
    // since: saving then writes them back unchanged.
    struct StoredCamera {
        double x = 0.0, y = 0.0, distance = 0.0, viewAngle = 0.0, yawAngle = 0.0;
    };
    std::optional<StoredCamera> m_readPose;

    bool HasWindow() const { return m_width > 0.0f && m_height > 0.0f; }
    glm::vec3 HorizontalArc(float x) const;
    glm::vec3 VerticalArc(float y) const;
    void StorePress(float x, float y);
    void Turn(float x, float y);
    void Pan(float x, float y);
    // The screen's right and up, as directions over the ground.
    glm::vec2 GroundRight() const;
    glm::vec2 GroundAhead() const;
    void RebuildMatrices();
};

} // namespace view3d
