#include "support/QtTestSupport.h"

#include "editors/CameraPathDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using document::CameraPathStart;

namespace {

const std::vector<std::string> kTriggers{"\"name_here\"", "\"second wave\""};

class CameraPathDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::TestApp(); }
    template <typename T> static T* Field(QWidget& dialog, const char* name) {
        T* field = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(field) << name;
        return field;
    }
    // Runs the dialog; action works on it once it shows and closes it.
    static std::optional<CameraPathStart> Run(const std::vector<std::string>& triggers,
                                              std::function<void(CCameraPathDialog&)> action) {
        QTimer::singleShot(0, [action] {
            if (auto* dialog = qobject_cast<CCameraPathDialog*>(QApplication::activeModalWidget()))
                action(*dialog);
            else if (QWidget* other = QApplication::activeModalWidget())
                other->close();
        });
        return RunCameraPathDialog(triggers, nullptr);
    }
    static void Press(QDialog& dialog, QDialogButtonBox::StandardButton button) {
        dialog.findChild<QDialogButtonBox*>()->button(button)->click();
    }
};

TEST_F(CameraPathDialogTest, TheTriggerListFollowsTheChoiceOfStart) {
    CCameraPathDialog dialog(kTriggers);
    EXPECT_EQ(dialog.windowTitle(), "Camera Path");
    auto* atBegin = Field<QRadioButton>(dialog, "atBegin");
    auto* withTrigger = Field<QRadioButton>(dialog, "withTrigger");
    auto* trigger = Field<QComboBox>(dialog, "trigger");
    EXPECT_EQ(atBegin->text(), "Start at mission begin");
    EXPECT_EQ(withTrigger->text(), "Start with trigger");
    EXPECT_TRUE(atBegin->isChecked());
    EXPECT_FALSE(trigger->isEnabled());
    EXPECT_FALSE(dialog.Start().withTrigger);
    // The names show without their quotes.
    EXPECT_EQ(trigger->itemText(1), "second wave");

    withTrigger->click();
    EXPECT_TRUE(trigger->isEnabled());
    trigger->setCurrentIndex(1);
    EXPECT_TRUE(dialog.Start().withTrigger);
    EXPECT_EQ(dialog.Start().trigger, "\"second wave\"");
    atBegin->click();
    EXPECT_FALSE(trigger->isEnabled());
    EXPECT_FALSE(dialog.Start().withTrigger);
    EXPECT_TRUE(dialog.Start().trigger.empty());

    // Without triggers only the mission's begin can be chosen.
    CCameraPathDialog none({});
    EXPECT_FALSE(Field<QRadioButton>(none, "withTrigger")->isEnabled());
    EXPECT_FALSE(Field<QComboBox>(none, "trigger")->isEnabled());
}

TEST_F(CameraPathDialogTest, OkGivesTheChosenStartAndCancelGivesNone) {
    auto begin = Run(kTriggers, [](CCameraPathDialog& d) { Press(d, QDialogButtonBox::Ok); });
    ASSERT_TRUE(begin);
    EXPECT_FALSE(begin->withTrigger);

    auto withTrigger = Run(kTriggers, [](CCameraPathDialog& d) {
        Field<QRadioButton>(d, "withTrigger")->click();
        Press(d, QDialogButtonBox::Ok);
    });
    ASSERT_TRUE(withTrigger);
    EXPECT_TRUE(withTrigger->withTrigger);
    EXPECT_EQ(withTrigger->trigger, "\"name_here\"");

    EXPECT_FALSE(Run(kTriggers, [](CCameraPathDialog& d) {
        Field<QRadioButton>(d, "withTrigger")->click();
        Press(d, QDialogButtonBox::Cancel);
    }));
}

} // namespace
