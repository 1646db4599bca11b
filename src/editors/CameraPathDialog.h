#pragma once

#include "document/DocumentTypes.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QRadioButton;

// "Camera Path": how a path just recorded starts, at the mission's begin or
// when one of the mission's triggers fires. The trigger list is enabled only
// with "Start with trigger", which is offered only when there are triggers.
class CCameraPathDialog : public QDialog {
    Q_OBJECT
  public:
    // triggers: the names as stored, quotes included; shown without them.
    explicit CCameraPathDialog(std::vector<std::string> triggers, QWidget* parent = nullptr);

    // The choice as the dialog shows it; the trigger's name as stored.
    document::CameraPathStart Start() const;

  private:
    void FollowRadio();

    std::vector<std::string> m_triggers;
    QRadioButton* m_atBegin = nullptr;
    QRadioButton* m_withTrigger = nullptr;
    QComboBox* m_trigger = nullptr;
};

// Shows the dialog; the choice on OK, nothing on Cancel.
std::optional<document::CameraPathStart>
RunCameraPathDialog(const std::vector<std::string>& triggers, QWidget* parent);
