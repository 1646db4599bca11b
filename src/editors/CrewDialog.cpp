#include "editors/CrewDialog.h"

#include "document/PropertyForms.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

CCrewDialog::CCrewDialog(const std::vector<int>& takenSeats, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add Crew Member"));
    m_seats = new QButtonGroup(this);
    auto* grid = new QGridLayout;
    for (int seat = 0; seat < 14; ++seat) {
        auto* button = new QRadioButton(QString::fromLatin1(document::SeatCaption(seat)), this);
        button->setObjectName(QStringLiteral("seat%1").arg(seat));
        const bool taken =
            std::find(takenSeats.begin(), takenSeats.end(), seat) != takenSeats.end();
        button->setEnabled(!taken);
        if (taken) button->setToolTip(QStringLiteral("This seat is taken."));
        m_seats->addButton(button, seat);
        grid->addWidget(button, seat < 4 ? seat : (seat - 4) % 5,
                        seat < 4 ? 0 : 1 + (seat - 4) / 5);
    }
    // The first free seat is offered, so that OK always boards somewhere.
    for (QAbstractButton* button : m_seats->buttons())
        if (button->isEnabled()) {
            button->setChecked(true);
            break;
        }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_seats->checkedId() >= 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

int CCrewDialog::Seat() const {
    return m_seats->checkedId();
}

void CCrewDialog::ChooseSeat(int seat) {
    if (QAbstractButton* button = m_seats->button(seat); button && button->isEnabled())
        button->setChecked(true);
}
