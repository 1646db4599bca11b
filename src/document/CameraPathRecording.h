#pragma once

#include "document/DocumentTypes.h"

#include <memory>
#include <vector>

class CDefNode;

namespace document {

class CVarnholtMapEditorDoc;

inline constexpr const char* kTooManyCameraPathsMessage = "Cannot hold more the 255 camera paths";
inline constexpr const char* kTwoPositionsMessage =
    "You have to record at least 2 camera positions";
inline constexpr const char* kTooManyEventsMessage = "Cannot hold more than 255 events";

// Milliseconds between two keys of a recorded path.
inline constexpr int kCameraKeySpacing = 500;
// The angle every recorded key carries (a quarter of pi).
inline constexpr float kCameraKeyAngle = 0.7853982f;

// The camera path being recorded in a 3D view: "Record camerapath", the 'C'
// key presses, and "End camerapath", which asks how the path starts and
// writes it into the mission as one undoable step.
class CameraPathRecorder {
  public:
    CameraPathRecorder();
    ~CameraPathRecorder();
    CameraPathRecorder(const CameraPathRecorder&) = delete;
    CameraPathRecorder& operator=(const CameraPathRecorder&) = delete;

    // Starts a path "c<id>" with the document's next free camera path id;
    // false (with kTooManyCameraPathsMessage through the document's prompts)
    // when all 255 are in use. The id is taken only when the path is
    // written. Restarting drops an unfinished recording.
    bool Start(CVarnholtMapEditorDoc& doc);
    bool Recording() const { return m_path != nullptr; }
    // A 'C' press: the ground point the camera looks at (x, y) and its
    // distance. Even presses open a key, odd ones finish it. Ignored while
    // not recording.
    void Key(float x, float y, float distance);
    int Presses() const { return m_presses; }
    // The path being recorded, or null.
    const CameraPathRecord* Path() const { return m_path.get(); }
    // "End camerapath": drops an unfinished last key, checks, asks the start
    // through the document's dialogs and on OK writes the path, its two
    // events, its trigger and the chosen trigger's action as one step. The
    // stored record, or nullptr (a message shown where one is due) when the
    // path was discarded. Recording always stops.
    CameraPathRecord* End(CVarnholtMapEditorDoc& doc);
    // Drops the recording.
    void Cancel();

  private:
    std::unique_ptr<CameraPathRecord> m_path;
    // The keys' nodes, owned here until the path is written.
    std::vector<std::unique_ptr<CDefNode>> m_keyNodes;
    int m_presses = 0;
};

} // namespace document
