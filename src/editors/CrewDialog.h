#pragma once

#include <QDialog>

#include <vector>

class QButtonGroup;

// "Add Crew Member": the fourteen seats of a vehicle as radio buttons,
// numbered 0 to 13 in the order the game numbers them. Seats another
// passenger already holds are shown but cannot be chosen.
class CCrewDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CCrewDialog(const std::vector<int>& takenSeats, QWidget* parent = nullptr);
    // The chosen seat, or -1.
    int Seat() const;
    void ChooseSeat(int seat);

  private:
    QButtonGroup* m_seats;
};
