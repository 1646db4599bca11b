#pragma once

#include "document/DocumentTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pak {
struct PakMemberInfo;
}

namespace document {

struct ModInfo;
struct ExistingMod;

// What the bounds dialog edits. The rectangles are in the picture's
// coordinates (the ground's), as the dialog draws them over the picture.
struct BoundsDialogData {
    const BoundsPicture* picture = nullptr;
    GroundExtent extent;
    BoundsRect world, camera, pather;
};

// The dialogs a document opens. The GUI shows real dialogs; tests script
// them. Every default answers as if the user cancelled.
class DocumentDialogs {
  public:
    virtual ~DocumentDialogs() = default;
    // "Open the map to be the base of the mission": one existing file.
    virtual std::optional<std::string> OpenBaseMap() { return std::nullopt; }
    // The Map Templates dialog over the catalogue's map templates.
    virtual std::optional<std::string> ChooseMapTemplate(const std::vector<std::string>&) {
        return std::nullopt;
    }
    // The member list of an opened pak archive; the chosen member's name.
    virtual std::optional<std::string> PickPakMember(const std::vector<pak::PakMemberInfo>&) {
        return std::nullopt;
    }
    // The file-save dialog ("Save" when replace, else "Save Copy As") with a proposed name.
    virtual std::optional<std::string> AskSaveFileName(std::string_view, bool) {
        return std::nullopt;
    }
    // The Trigger Properties dialog on a trigger built by the document; it may
    // change the record and the node. True for OK.
    virtual bool EditTrigger(TriggerRecord&, CDefNode&) { return false; }
    // The Bounds and Camera dialog. True for OK, with the rectangles changed in place.
    virtual bool EditBounds(BoundsDialogData&) { return false; }
    // The Game Options dialog on the player side (0..3). True for OK.
    virtual bool GameOptions(int&) { return false; }
    // The Mod Info dialog over the installed mods; true for OK with info filled.
    virtual bool EditModInfo(ModInfo&, const std::vector<ExistingMod>&) { return false; }
    // The "Camera Path" dialog at the end of a recording: how the path
    // starts, offering the mission's triggers (names as stored).
    virtual std::optional<CameraPathStart> ChooseCameraPathStart(const std::vector<std::string>&) {
        return std::nullopt;
    }
};

// Where bars, views and documents send application messages: the main
// frame, which relays them to the bars and to the views of the active document.
class MessageRelay {
  public:
    virtual ~MessageRelay() = default;
    virtual void Relay(AppMessage message, intptr_t first, intptr_t second) = 0;
};

// The views and frames around a document. Views observe the document and the
// main frame relays messages; the document reaches both only through this.
class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    virtual void UpdateAllViews(UpdateHint, intptr_t) {}
    virtual void SendToMainFrame(AppMessage, intptr_t, intptr_t) {}
    virtual void AddRecentFile(const std::string&) {}
    // Before an export: asks to save a modified document (Save, Don't save,
    // Cancel); false for Cancel.
    virtual bool SaveModified() { return true; }
    // The picture the 3D view rendered of the map, or none.
    virtual const document::BoundsPicture* GetBoundsPicture() { return nullptr; }

    // Text mode. When the active view is a text view, its text as typed is
    // what a save writes.
    virtual std::optional<std::string> ActiveTextViewText() { return std::nullopt; }
    virtual bool HasTextView() { return false; }
    // After the nodes were written: the text view reloads its text from the document.
    virtual void ReloadTextView() {}
    // After a successful save: the text view clears its own modified mark.
    virtual void TextViewSaved() {}
};

} // namespace document
