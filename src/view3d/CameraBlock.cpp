// The camera's side of the document's "Camera" block: building the camera
// from it when a view starts, and the values that store the camera again
// before the document is saved.

#include "format/DefNode.h"
#include "platform/Text.h"
#include "view3d/Camera.h"

#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/constants.hpp>

#include <algorithm>
#include <cmath>

namespace view3d {

namespace {

using Roots = std::vector<std::unique_ptr<CDefNode>>;

constexpr const char* kCameraBlock = "Camera";

bool IsMission(const Roots& roots) {
    return roots.size() >= 2;
}

// Reads the first count numbers of the block's child name; false, with out
// untouched, when the child is missing or a number is not finite (a "nan"
// typed into the file would otherwise spread through the whole camera).
bool ReadNumbers(const CDefNode& block, const char* name, double* out, size_t count) {
    double read[3] = {0.0, 0.0, 0.0};
    if (!block.ReadDoubles(name, read, count)) return false;
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(read[i])) return false;
    for (size_t i = 0; i < count; ++i)
        out[i] = read[i];
    return true;
}

// A missing block goes right after the bounds the map keeps in front of it.
size_t BlockInsertIndex(const CDefNode& root) {
    for (const char* after : {"PatherBound", "CameraBound", "WorldBound"}) {
        const auto children = root.Children();
        for (size_t i = 0; i < children.size(); ++i)
            if (platform::EqualsNoCase(children[i]->Name(), after)) return i + 1;
    }
    return 0;
}

CameraBlockWrite StartWrite(const Roots& roots, size_t rootIndex) {
    CameraBlockWrite write;
    write.rootIndex = rootIndex;
    const CDefNode& root = *roots[rootIndex];
    write.create = root.FindChild(kCameraBlock) == nullptr;
    if (write.create) write.insertIndex = BlockInsertIndex(root);
    return write;
}

std::string F6(double x) {
    return platform::FormatFloat6(x);
}

} // namespace

bool Camera::ResetFromDocument(const Roots& roots) {
    const bool mission = IsMission(roots);
    const size_t rootIndex = mission ? 1 : 0;
    if (roots.size() <= rootIndex || !roots[rootIndex]) return false;
    const CDefNode* block = roots[rootIndex]->FindChild(kCameraBlock);
    if (!block) return false;

    double yaw = glm::quarter_pi<double>();
    if (mission) ReadNumbers(*block, "YawAngle", &yaw, 1);
    double position[2] = {0.0, 0.0}, distance = 0.0, viewAngle = 0.0;
    ReadNumbers(*block, "Position", position, 2);
    ReadNumbers(*block, "Distance", &distance, 1);
    ReadNumbers(*block, "ViewAngle", &viewAngle, 1);

    // The camera circles the stored target at the stored distance, turned
    // by the yaw (0: the eye north of the target; the turn about the
    // camera's vertical runs the other way) and looking down by the view
    // angle. The zoom keeps its
    // limits whatever the block says.
    m_translation = {m_centre.x - static_cast<float>(position[0]),
                     m_centre.y - static_cast<float>(position[1]),
                     -std::clamp(static_cast<float>(distance), -kNearestZoom, -kFarthestZoom)};
    m_yaw = glm::angleAxis(static_cast<float>(-yaw), glm::vec3(0.0f, 1.0f, 0.0f));
    m_pitch = glm::angleAxis(static_cast<float>(viewAngle), glm::vec3(1.0f, 0.0f, 0.0f));
    RebuildMatrices();

    // Keeping the numbers as read until the user moves the camera stops
    // every save from rewriting the game's initial camera in other digits.
    const StoredCamera read{position[0], position[1], distance, viewAngle, yaw};
    m_readPose = read;
    return true;
}

std::vector<CameraBlockWrite> Camera::SaveToDocument(const Roots& roots) const {
    std::vector<CameraBlockWrite> writes;
    if (roots.empty() || !roots[0]) return writes;
    StoredCamera now;
    if (m_readPose) {
        now = *m_readPose;
    } else {
        const CameraPose pose = Pose();
        now = {pose.target.x, pose.target.y, pose.distance, pose.viewAngle, pose.yawAngle};
    }
    const std::string x = F6(now.x), y = F6(now.y);
    const std::string distance = F6(now.distance), angle = F6(now.viewAngle);

    if (IsMission(roots) && roots[1]) {
        CameraBlockWrite write = StartWrite(roots, 1);
        write.entries = {{"Position", {x, y}},
                         {"Distance", {distance}},
                         {"ViewAngle", {angle}},
                         {"YawAngle", {F6(now.yawAngle)}}};
        writes.push_back(std::move(write));
    }
    CameraBlockWrite write = StartWrite(roots, 0);
    write.entries = {{"Position", {x, y}},
                     {"Distance", {distance, F6(200.0), F6(2000.0)}},
                     {"ViewAngle", {angle, F6(10.0), F6(60.0)}}};
    writes.push_back(std::move(write));
    return writes;
}

} // namespace view3d
