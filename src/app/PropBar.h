#pragma once

#include "app/MessageRelayer.h"

#include <QToolBar>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

namespace document {
class MessageRelay;
}

namespace app {

// The categories the type box offers for a document kind (0 mission, 1 map;
// anything else offers none) and radio value (0 available, 1 existing elements).
std::vector<int> PropBarCategories(int kind, int radio);

// The small dial that shows the selected element's Turn (degrees,
// anticlockwise from the x axis as the map is seen from above). Clicking
// it chooses a new Turn.
class CTurnIndicator : public QWidget {
    Q_OBJECT
  public:
    explicit CTurnIndicator(QWidget* parent = nullptr);
    double Turn() const { return m_turn; }
    void SetTurn(double degrees);
    QSize sizeHint() const override { return {26, 26}; }

  signals:
    // The user chose a Turn with the mouse.
    void TurnChosen(int degrees);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    double m_turn = 0.0;
};

// The property bar: player, element type, available or existing elements,
// the "leave" box and the turn dial. It sends the user's choices to the main
// frame and acts on the activation, type and element messages relayed back.
class CPropBar : public QToolBar, public RelayTarget {
    Q_OBJECT
  public:
    explicit CPropBar(document::MessageRelay* relay, QWidget* parent = nullptr);

    void OnRelayed(document::AppMessage message, intptr_t first, intptr_t second) override;

    int Kind() const { return m_kind; }
    int Player() const { return m_player; }
    int Radio() const { return m_radio; }
    // The category of the selected type, or -1.
    int SelectedCategory() const;
    bool RadiosEnabled() const;
    bool Leave() const;
    QComboBox* TypeBox() const { return m_type; }
    QComboBox* PlayerBox() const { return m_playerBox; }
    CTurnIndicator* TurnIndicator() const { return m_turnIndicator; }

    // What the user's actions do, callable without a mouse.
    void ChooseType(int index);
    void ChoosePlayer(int index);
    void ChooseRadio(int radio);
    void SetLeave(bool leave);

  private:
    void FillTypes();
    void SetRadio(int radio);
    void Send(document::AppMessage message, intptr_t first, intptr_t second = 0);

    document::MessageRelay* m_relay;
    QComboBox* m_playerBox;
    QComboBox* m_type;
    QRadioButton* m_available;
    QRadioButton* m_existing;
    QButtonGroup* m_radios;
    QCheckBox* m_leave;
    CTurnIndicator* m_turnIndicator;

    int m_kind = -1;
    int m_player = 0;
    int m_radio = 0;
    int m_savedRadio = 0;
    // Set while a zone, event, trigger or camera path type holds the radios.
    bool m_radiosHeld = false;
};

} // namespace app
