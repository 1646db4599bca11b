#include "editors/CameraPathDialog.h"

#include "editors/EditorText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

CCameraPathDialog::CCameraPathDialog(std::vector<std::string> triggers, QWidget* parent)
    : QDialog(parent), m_triggers(std::move(triggers)) {
    setWindowTitle(QStringLiteral("Camera Path"));
    m_atBegin = new QRadioButton(QStringLiteral("Start at mission begin"), this);
    m_atBegin->setObjectName(QStringLiteral("atBegin"));
    m_withTrigger = new QRadioButton(QStringLiteral("Start with trigger"), this);
    m_withTrigger->setObjectName(QStringLiteral("withTrigger"));
    m_trigger = new QComboBox(this);
    m_trigger->setObjectName(QStringLiteral("trigger"));
    for (const std::string& name : m_triggers)
        m_trigger->addItem(editors::ToQt(platform::StripQuotes(name)));
    m_atBegin->setChecked(true);
    m_withTrigger->setEnabled(!m_triggers.empty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_atBegin);
    layout->addWidget(m_withTrigger);
    layout->addWidget(m_trigger);
    layout->addWidget(buttons);

    connect(m_withTrigger, &QRadioButton::toggled, this, &CCameraPathDialog::FollowRadio);
    FollowRadio();
}

void CCameraPathDialog::FollowRadio() {
    m_trigger->setEnabled(m_withTrigger->isChecked());
}

document::CameraPathStart CCameraPathDialog::Start() const {
    document::CameraPathStart start;
    const int index = m_trigger->currentIndex();
    if (m_withTrigger->isChecked() && index >= 0 &&
        static_cast<size_t>(index) < m_triggers.size()) {
        start.withTrigger = true;
        start.trigger = m_triggers[static_cast<size_t>(index)];
    }
    return start;
}

std::optional<document::CameraPathStart>
RunCameraPathDialog(const std::vector<std::string>& triggers, QWidget* parent) {
    CCameraPathDialog dialog(triggers, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Start();
}
