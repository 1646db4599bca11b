#include "AppTestSupport.h"

#include "app/PropBar.h"
#include "format/DefNode.h"

#include <QComboBox>

using app_testing::Log;
using document::AppMessage;

namespace {

class PropBarTest : public app_testing::QtFixture {
  protected:
    QStringList Types() const {
        QStringList labels;
        for (int i = 0; i < m_bar.TypeBox()->count(); ++i)
            labels << m_bar.TypeBox()->itemText(i);
        return labels;
    }
    void Activate(int kind) { m_bar.OnRelayed(AppMessage::DocumentActivated, kind, 0x1000); }

    app_testing::RecordingRelay m_relay;
    app::CPropBar m_bar{&m_relay};
};

TEST_F(PropBarTest, AMissionOffersItsTypesByRadio) {
    Activate(0);
    EXPECT_EQ(Types(), QStringList({"Tanks", "Guns", "Transport", "Marine", "Airborne", "Weapons",
                                    "Humans (equipped)", "Humans", "Animals", "Fences", "Sounds",
                                    "Railway"}));
    m_bar.ChooseRadio(1);
    EXPECT_EQ(Types(), QStringList({"Tanks", "Guns", "Transport", "Marine", "Airborne", "Weapons",
                                    "Humans", "Animals", "Fences", "Sounds", "Railway", "Zones",
                                    "Events", "Triggers", "Camera Path"}));
    EXPECT_EQ(m_bar.TypeBox()->currentIndex(), 0);
    EXPECT_EQ(m_relay.log.back(), "relay:1129:1:0");
}

TEST_F(PropBarTest, AMapOffersTheSameTypesWithEitherRadio) {
    const QStringList map{"Tanks",      "Guns",      "Transport",
                          "Marine",     "Airborne",  "Weapons",
                          "Humans",     "Buildings", "Complete Buildings",
                          "Fences",     "Landscape", "Sounds",
                          "Water",      "Bridge",    "Railway",
                          "Vegetation", "Trash"};
    Activate(1);
    EXPECT_EQ(Types(), map);
    m_bar.ChooseRadio(1);
    EXPECT_EQ(Types(), map);
    Activate(2);
    EXPECT_TRUE(Types().isEmpty());
}

TEST_F(PropBarTest, EveryTypeCarriesItsCategory) {
    Activate(0);
    m_bar.ChooseRadio(1);
    QComboBox* box = m_bar.TypeBox();
    EXPECT_EQ(box->itemData(box->findText("Humans")).toInt(), 7);
    EXPECT_EQ(box->itemData(box->findText("Camera Path")).toInt(), 23);
    m_relay.log.clear();
    m_bar.ChooseType(box->findText("Zones"));
    EXPECT_EQ(m_relay.log, Log{"relay:1126:20:0"});
}

TEST_F(PropBarTest, ActivatingAMissionChoosesTheFirstTypeAndPlayer) {
    m_bar.ChoosePlayer(3);
    m_relay.log.clear();
    Activate(0);
    EXPECT_EQ(m_relay.log, (Log{"relay:1126:0:0", "relay:1128:0:0"}));
    EXPECT_EQ(m_bar.Player(), 0);
    EXPECT_EQ(m_bar.PlayerBox()->currentIndex(), 0);
}

TEST_F(PropBarTest, ActivatingAMapChoosesBuildings) {
    Activate(1);
    EXPECT_EQ(m_bar.TypeBox()->currentText(), "Buildings");
    EXPECT_EQ(m_relay.log, Log{"relay:1126:9:0"});
}

TEST_F(PropBarTest, ZoneTypesHoldTheRadiosUntilAnotherTypeGivesThemBack) {
    Activate(0);
    m_bar.ChooseRadio(1);
    m_bar.OnRelayed(AppMessage::EditModeChanged, 20, 0);
    EXPECT_FALSE(m_bar.RadiosEnabled());
    EXPECT_EQ(m_bar.Radio(), 0);
    // A second held type must not save the forced value over the user's.
    m_bar.OnRelayed(AppMessage::EditModeChanged, 22, 0);
    m_relay.log.clear();
    m_bar.ChooseRadio(1); // refused while held
    EXPECT_TRUE(m_relay.log.empty());
    m_bar.OnRelayed(AppMessage::EditModeChanged, 0, 0);
    EXPECT_TRUE(m_bar.RadiosEnabled());
    EXPECT_EQ(m_bar.Radio(), 1);
}

TEST_F(PropBarTest, AnOrdinaryTypeKeepsARadioChosenSinceTheLastZone) {
    Activate(0);
    m_bar.OnRelayed(AppMessage::EditModeChanged, 21, 0); // saves 0
    m_bar.OnRelayed(AppMessage::EditModeChanged, 0, 0);
    m_bar.ChooseRadio(1);
    m_bar.OnRelayed(AppMessage::EditModeChanged, 1, 0);
    EXPECT_EQ(m_bar.Radio(), 1);
    EXPECT_EQ(m_bar.TypeBox()->count(), 15); // still the "existing elements" list
}

TEST_F(PropBarTest, ElementEditsShowTheTurnAndPlayerRequestsAreAnswered) {
    CDefNode element("Entity", "\"m4a2\"");
    element.AddChildFloat("Turn", 135.0);
    m_bar.OnRelayed(AppMessage::ElementEdit, 4, reinterpret_cast<intptr_t>(&element));
    EXPECT_DOUBLE_EQ(m_bar.TurnIndicator()->Turn(), 135.0);
    CDefNode unturned("Entity", "\"m4a2\"");
    m_bar.OnRelayed(AppMessage::ElementEdit, 4, reinterpret_cast<intptr_t>(&unturned));
    EXPECT_DOUBLE_EQ(m_bar.TurnIndicator()->Turn(), 0.0);

    m_bar.ChoosePlayer(2);
    m_relay.log.clear();
    m_bar.OnRelayed(AppMessage::PlayerChanged, -5, 0);
    m_bar.SetLeave(false);
    EXPECT_EQ(m_relay.log, (Log{"relay:1128:2:0", "relay:1139:0:0"}));
}

} // namespace
