#pragma once

#include "document/DocumentHost.h"

#include <QDialog>

#include <array>

class QDialogButtonBox;
class QLineEdit;

namespace app {

// "Bounds and Camera": the map's three rectangles, World (the playing
// area), Camera (where the camera may go) and Passab. (the area units may
// pass), each as left, top, right and bottom, over the picture of the map
// when the 3D view has made one. The values are the picture's coordinates,
// as the document hands them in; OK hands them back the same way.
class CBoundsDialog : public QDialog {
    Q_OBJECT
  public:
    enum Rect { World = 0, Camera = 1, Pather = 2 };
    enum Side { Left = 0, Top = 1, Right = 2, Bottom = 3 };

    explicit CBoundsDialog(const document::BoundsDialogData& data, QWidget* parent = nullptr);

    QLineEdit* Field(Rect rect, Side side) const;
    // Writes the rectangles as typed into data; false (data untouched) while
    // a field holds no number.
    bool Rectangles(document::BoundsDialogData& data) const;
    // Whether a picture of the map is shown (otherwise a placeholder is).
    bool HasPicture() const { return m_hasPicture; }

  private:
    void UpdateOk();

    std::array<std::array<QLineEdit*, 4>, 3> m_fields{};
    QDialogButtonBox* m_buttons = nullptr;
    bool m_hasPicture = false;
};

} // namespace app
