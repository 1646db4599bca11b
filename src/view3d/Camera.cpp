#include "view3d/Camera.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <glm/matrix.hpp>

#include <algorithm>
#include <cmath>

namespace view3d {

namespace {

// The turns are composed as "a, then b"; with glm's quaternions that is b * a.
glm::quat Then(const glm::quat& a, const glm::quat& b) {
    return b * a;
}

} // namespace

Camera::Camera() {
    // Until a stored camera says otherwise, the view looks straight down.
    m_pitch = glm::angleAxis(glm::half_pi<float>(), glm::vec3(1.0f, 0.0f, 0.0f));
    SetWorldBound(m_bounds);
    RebuildMatrices();
}

void Camera::SetWindow(float width, float height, float radius, float factor) {
    m_width = width;
    m_height = height;
    m_radius = radius;
    m_factor = factor;
    RebuildMatrices();
}

float Camera::SetWorldBound(const document::BoundsRect& world) {
    const float old = m_scale;
    m_bounds = world;
    m_scale = std::max((world.right - world.left) / 2.0f, (world.bottom - world.top) / 2.0f);
    m_centre = {(world.left + world.right) / 2.0f, (world.top + world.bottom) / 2.0f, 0.0f};
    return old != 0.0f ? m_scale / old : 1.0f;
}

glm::quat Camera::ArcRotation(const glm::vec3& a, const glm::vec3& b) {
    const glm::vec3 sum = a + b;
    if (glm::dot(sum, sum) < 1e-12f) {
        // Opposite press and drag points (both at the clamped edges of the
        // arc): half a turn about an axis across them, instead of the
        // undefined halfway vector that would poison the camera.
        glm::vec3 axis = glm::cross(a, glm::vec3(0.0f, 0.0f, 1.0f));
        if (glm::dot(axis, axis) < 1e-12f) axis = glm::cross(a, glm::vec3(1.0f, 0.0f, 0.0f));
        axis = glm::normalize(axis);
        return glm::quat(0.0f, axis.x, axis.y, axis.z);
    }
    const glm::vec3 h = glm::normalize(sum);
    const glm::vec3 v = glm::cross(a, h);
    return glm::quat(glm::dot(a, h), v.x, v.y, v.z);
}

glm::vec3 Camera::HorizontalArc(float x) const {
    float c = (m_width / 2.0f - x) / (m_width * m_radius / 2.0f);
    if (c * c > 1.0f) c = c > 0.0f ? 1.0f : -1.0f;
    return {c, 0.0f, std::sqrt(std::max(0.0f, 1.0f - c * c))};
}

glm::vec3 Camera::VerticalArc(float y) const {
    float c = (y - m_height / 2.0f) / (m_height * m_radius / 2.0f);
    if (c * c > 1.0f) c = c > 0.0f ? 1.0f : -1.0f;
    return {0.0f, c, std::sqrt(std::max(0.0f, 1.0f - c * c))};
}

void Camera::StorePress(float x, float y) {
    m_yawAtPress = m_yaw;
    m_pitchAtPress = m_pitch;
    if (!HasWindow()) return;
    m_horizontalAtPress = HorizontalArc(x);
    m_verticalAtPress = VerticalArc(y);
}

void Camera::ButtonDown(CameraButtons button, float x, float y) {
    if (button != CameraLeft) m_last = m_press = {x, y};
    StorePress(x, y);
}

bool Camera::MouseMove(unsigned buttons, float x, float y) {
    // Before the first device restore the window has no size, and the arc
    // and pan arithmetic would divide by zero.
    if (!HasWindow()) return false;
    if (buttons & CameraMiddle) {
        Turn(x, y);
        return true;
    }
    if (buttons & CameraRight) {
        Pan(x, y);
        return true;
    }
    return false;
}

void Camera::Turn(float x, float y) {
    m_readPose.reset();
    m_yaw = Then(m_yawAtPress, ArcRotation(m_horizontalAtPress, HorizontalArc(x)));
    m_pitch = Then(m_pitchAtPress, ArcRotation(m_verticalAtPress, VerticalArc(y)));
    RebuildMatrices();
}

void Camera::Pan(float x, float y) {
    m_readPose.reset();
    const float g = 500.0f / std::fabs(m_translation.z);
    const float dy = (m_last.y - y) * m_factor / m_height / g;
    const float dx = m_factor * (m_last.x - x) / m_width / g;
    // The drag moves the map under the cursor: across the screen along the
    // view's right hand, up and down the screen along its heading over the
    // ground, both turned with the yaw.
    const glm::vec2 right = GroundRight(), ahead = GroundAhead();
    const glm::vec2 step = (dx * right - dy * ahead) * m_scale;
    m_translation.x -= step.x;
    m_translation.y -= step.y;
    // Ordered limits: a world bound typed with min above max must not make
    // the clamp undefined.
    m_translation.x = std::clamp(m_translation.x,
                                 std::min(m_centre.x - m_bounds.right, m_centre.x - m_bounds.left),
                                 std::max(m_centre.x - m_bounds.right, m_centre.x - m_bounds.left));
    m_translation.y = std::clamp(m_translation.y,
                                 std::min(m_centre.y - m_bounds.bottom, m_centre.y - m_bounds.top),
                                 std::max(m_centre.y - m_bounds.bottom, m_centre.y - m_bounds.top));
    m_last = {x, y};
}

glm::vec2 Camera::GroundRight() const {
    const glm::vec3 r = glm::vec3(glm::inverse(ViewMatrix() * WorldMatrix())[0]);
    const glm::vec2 flat(r.x, r.y);
    return glm::length(flat) > 1e-6f ? glm::normalize(flat) : glm::vec2(1.0f, 0.0f);
}

glm::vec2 Camera::GroundAhead() const {
    const glm::mat4 inverse = glm::inverse(ViewMatrix() * WorldMatrix());
    // The heading: where the camera looks, or, looking straight down, the
    // top of the screen.
    glm::vec3 d = -glm::vec3(inverse[2]);
    glm::vec2 flat(d.x, d.y);
    if (glm::length(flat) < 1e-3f) {
        d = glm::vec3(inverse[1]);
        flat = {d.x, d.y};
    }
    return glm::length(flat) > 1e-6f ? glm::normalize(flat) : glm::vec2(0.0f, 1.0f);
}

bool Camera::Wheel(int delta) {
    const float e = m_scale * (static_cast<float>(delta) * 0.0001f);
    const float z = m_translation.z + e;
    if (z > kNearestZoom || z < kFarthestZoom) return false;
    m_translation.z = z;
    m_readPose.reset();
    return true;
}

bool Camera::KeyDown(CameraKey key) {
    const glm::vec3 x(1.0f, 0.0f, 0.0f), negZ(0.0f, 0.0f, -1.0f);
    if (key == CameraKey::Left)
        m_yaw = Then(m_yaw, ArcRotation(x, negZ));
    else if (key == CameraKey::Right)
        m_yaw = Then(m_yaw, ArcRotation(negZ, x));
    else
        return false;
    m_readPose.reset();
    RebuildMatrices();
    return true;
}

void Camera::Focus(const glm::vec3& groundPoint, const glm::vec3& elementPosition) {
    m_readPose.reset();
    m_translation.x += groundPoint.x - elementPosition.x;
    m_translation.y += groundPoint.y - elementPosition.y;
    if (m_translation.z < kFocusZoom) m_translation.z += -(m_translation.z - kFocusZoom);
}

void Camera::RebuildMatrices() {
    m_yawMatrix = glm::mat4_cast(m_yaw);
    m_pitchMatrix = glm::mat4_cast(m_pitch);
}

glm::mat4 Camera::ViewMatrix() const {
    return glm::lookAtLH(glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f),
                         glm::vec3(0.0f, 1.0f, 0.0f));
}

glm::mat4 Camera::ProjectionMatrix() const {
    // The camera looks down its own -z; depth runs from 0 to 1.
    const float aspect = HasWindow() ? m_width / m_height : 1.0f;
    return glm::perspectiveRH_ZO(glm::quarter_pi<float>(), aspect, 1.0f, m_scale * 2000.0f);
}

glm::vec3 Camera::Target() const {
    return {m_centre.x - m_translation.x, m_centre.y - m_translation.y, 0.0f};
}

glm::mat4 Camera::MapAxes() {
    // The map's axes are x east, y north and z down. The unturned camera
    // looks level towards the south with east on its right; looking down
    // from there, east stays right and north is at the bottom of the
    // screen, which is how the game shows its maps and how the faces of its
    // ground wind towards the eye.
    return glm::mat4(glm::vec4(1.0f, 0.0f, 0.0f, 0.0f), glm::vec4(0.0f, 0.0f, 1.0f, 0.0f),
                     glm::vec4(0.0f, -1.0f, 0.0f, 0.0f), glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
}

glm::mat4 Camera::WorldMatrix() const {
    // The camera circles the point it looks at: the map moves that point to
    // the origin, turns about it by the yaw (about the vertical) and the
    // pitch (about the screen's horizontal), and the zoom sets it back from
    // the eye.
    // The view stands one unit back (it looks from (0, 0, -1)): the zoom is
    // the eye's whole distance.
    return glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, m_translation.z - 1.0f)) *
           m_pitchMatrix * m_yawMatrix * MapAxes() * glm::translate(glm::mat4(1.0f), -Target());
}

glm::vec3 Camera::EyePoint() const {
    const glm::dmat4 inverse = glm::inverse(glm::dmat4(ViewMatrix()) * glm::dmat4(WorldMatrix()));
    return glm::vec3(inverse * glm::dvec4(0.0, 0.0, 0.0, 1.0));
}

void Camera::PickRay(float x, float y, glm::vec3& origin, glm::vec3& direction) const {
    const double w = HasWindow() ? m_width : 1.0, h = HasWindow() ? m_height : 1.0;
    // In double: the far plane is thousands of map sizes away, and single
    // precision would bend the ray by a visible fraction of a unit.
    const glm::dmat4 inverse = glm::inverse(glm::dmat4(ProjectionMatrix()) *
                                            glm::dmat4(ViewMatrix()) * glm::dmat4(WorldMatrix()));
    const double nx = 2.0 * x / w - 1.0, ny = 1.0 - 2.0 * y / h;
    const glm::dvec4 nearPoint = inverse * glm::dvec4(nx, ny, 0.0, 1.0);
    const glm::dvec4 farPoint = inverse * glm::dvec4(nx, ny, 1.0, 1.0);
    const glm::dvec3 from = glm::dvec3(nearPoint) / nearPoint.w;
    origin = glm::vec3(from);
    direction = glm::vec3(glm::normalize(glm::dvec3(farPoint) / farPoint.w - from));
}

CameraPose Camera::Pose() const {
    CameraPose pose;
    pose.eye = EyePoint();
    // The viewing direction in map coordinates: the camera's -z.
    const glm::mat4 inverse = glm::inverse(ViewMatrix() * WorldMatrix());
    pose.direction = glm::normalize(-glm::vec3(inverse[2]));
    const glm::vec3& d = pose.direction;
    // Down is +z: a camera looking down has a positive view angle.
    pose.viewAngle = std::atan2(d.z, std::hypot(d.x, d.y));
    pose.yawAngle = std::atan2(-d.x, -d.y);
    if (d.z > 1e-6f && pose.eye.z < 0.0f) {
        pose.target = pose.eye - (pose.eye.z / d.z) * d;
        pose.target.z = 0.0f;
    } else {
        // A view that never meets the ground keeps the point it circles.
        pose.target = Target();
    }
    pose.distance = glm::length(pose.target - pose.eye);
    return pose;
}

} // namespace view3d
