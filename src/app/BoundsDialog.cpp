#include "app/BoundsDialog.h"

#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace app {

namespace {

constexpr int kPictureSize = 256;

// The map files store plain numbers with a point, whatever the user's locale.
QLocale NumberLocale() {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return c;
}

bool ParseField(const QLineEdit* field, float& value) {
    bool ok = false;
    double v = NumberLocale().toDouble(field->text().trimmed(), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 3.0e38) return false;
    value = static_cast<float>(v);
    return true;
}

float& Member(document::BoundsRect& r, int side) {
    switch (side) {
    case CBoundsDialog::Left:
        return r.left;
    case CBoundsDialog::Top:
        return r.top;
    case CBoundsDialog::Right:
        return r.right;
    default:
        return r.bottom;
    }
}

document::BoundsRect& RectOf(document::BoundsDialogData& data, int rect) {
    return rect == CBoundsDialog::World    ? data.world
           : rect == CBoundsDialog::Camera ? data.camera
                                           : data.pather;
}

QWidget* PictureArea(const document::BoundsPicture* picture, QWidget* parent, bool& shown) {
    auto* label = new QLabel(parent);
    label->setObjectName("boundsPicture");
    label->setFixedSize(kPictureSize, kPictureSize);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    shown = picture && picture->width > 0 && picture->height > 0 &&
            picture->pixels.size() >=
                static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height);
    if (shown) {
        QImage image(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width,
                     picture->height, picture->width * 4, QImage::Format_ARGB32);
        label->setPixmap(QPixmap::fromImage(image.scaled(
            kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } else {
        // The 3D view has not drawn the map yet: the numbers alone still work.
        label->setText(QObject::tr("No picture of the map"));
        label->setEnabled(false);
    }
    return label;
}

} // namespace

CBoundsDialog::CBoundsDialog(const document::BoundsDialogData& data, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Bounds and Camera"));
    static const char* const kRectNames[3] = {"world", "camera", "pather"};
    static const char* const kSideNames[4] = {"Left", "Top", "Right", "Bottom"};
    const QString labels[3] = {tr("World"), tr("Camera"), tr("Passab.")};
    const QString sides[4] = {tr("left"), tr("top"), tr("right"), tr("bottom")};

    auto* grid = new QGridLayout;
    for (int side = 0; side < 4; ++side)
        grid->addWidget(new QLabel(sides[side], this), 0, side + 1, Qt::AlignCenter);
    document::BoundsDialogData copy = data;
    auto* validator = new QDoubleValidator(this);
    validator->setLocale(NumberLocale());
    validator->setNotation(QDoubleValidator::StandardNotation);
    for (int rect = 0; rect < 3; ++rect) {
        grid->addWidget(new QLabel(labels[rect], this), rect + 1, 0);
        for (int side = 0; side < 4; ++side) {
            auto* field = new QLineEdit(this);
            field->setObjectName(QString::fromLatin1(kRectNames[rect]) +
                                 QString::fromLatin1(kSideNames[side]));
            field->setValidator(validator);
            // Nine significant digits give every float back exactly, so an
            // untouched field writes the value it was given.
            field->setText(NumberLocale().toString(Member(RectOf(copy, rect), side), 'g', 9));
            field->setMinimumWidth(90);
            connect(field, &QLineEdit::textChanged, this, &CBoundsDialog::UpdateOk);
            grid->addWidget(field, rect + 1, side + 1);
            m_fields[static_cast<size_t>(rect)][static_cast<size_t>(side)] = field;
        }
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(PictureArea(data.picture, this, m_hasPicture), 0, Qt::AlignTop);
    row->addLayout(grid, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_buttons);
    UpdateOk();
}

QLineEdit* CBoundsDialog::Field(Rect rect, Side side) const {
    return m_fields[static_cast<size_t>(rect)][static_cast<size_t>(side)];
}

bool CBoundsDialog::Rectangles(document::BoundsDialogData& data) const {
    document::BoundsDialogData result = data;
    for (int rect = 0; rect < 3; ++rect)
        for (int side = 0; side < 4; ++side)
            if (!ParseField(m_fields[static_cast<size_t>(rect)][static_cast<size_t>(side)],
                            Member(RectOf(result, rect), side)))
                return false;
    data = result;
    return true;
}

void CBoundsDialog::UpdateOk() {
    document::BoundsDialogData scratch;
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(Rectangles(scratch));
}

} // namespace app
