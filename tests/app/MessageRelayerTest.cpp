#include "AppTestSupport.h"

#include "app/MessageRelayer.h"

using app_testing::Entry;
using app_testing::Log;
using document::AppMessage;

namespace {

struct RelayRow {
    int message;
    intptr_t first, second;
    Log expected; // in order; "views:hint:param:0" for an update of the active document's views
};

class MessageRelayerTest : public ::testing::TestWithParam<RelayRow> {
  protected:
    Log m_log;
    app_testing::RecordingTarget m_entityBar{"entity", m_log};
    app_testing::RecordingTarget m_propBar{"prop", m_log};
    app::CMessageRelayer m_relayer{
        &m_entityBar, &m_propBar, [this](document::UpdateHint hint, intptr_t param) {
            m_log.push_back(Entry("views", static_cast<int>(hint), param, 0));
        }};
};

TEST_P(MessageRelayerTest, RelaysEachMessageToItsBarsAndHint) {
    const RelayRow& row = GetParam();
    m_relayer.Relay(static_cast<AppMessage>(row.message), row.first, row.second);
    EXPECT_EQ(m_log, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RelayTable, MessageRelayerTest,
    ::testing::Values(
        RelayRow{1125, 0, 100, {"entity:1125:0:100", "prop:1125:0:100"}},
        RelayRow{1126, 20, 0, {"entity:1126:20:0", "prop:1126:20:0", "views:10:20:0"}},
        RelayRow{1127, 3, 7, {"prop:1127:3:7", "entity:1127:3:7"}},
        RelayRow{1127, 4, 7, {"prop:1127:4:7", "entity:1127:4:7"}},
        RelayRow{1127, 0, 55, {"views:2:55:0"}}, RelayRow{1127, 1, 66, {"views:13:66:0"}},
        RelayRow{1127, 1, 0, {"views:3:0:0"}}, RelayRow{1127, 2, 77, {"views:3:77:0"}},
        RelayRow{1128, -5, 0, {"prop:1128:-5:0"}},
        RelayRow{1128, 2, 0, {"entity:1128:2:0", "views:5:2:0"}},
        RelayRow{1129, 1, 0, {"entity:1129:1:0", "views:4:1:0"}},
        RelayRow{1130, 0, 9, {"entity:1130:0:9"}},
        RelayRow{1131, 0, 100, {"views:4:0:0", "entity:1131:0:100"}},
        RelayRow{1132, 26, 8, {"entity:1132:26:8", "views:11:8:0"}},
        RelayRow{1132, 0, 8, {"entity:1132:0:8", "views:7:8:0"}},
        RelayRow{1133, 0, 45, {"views:8:45:0"}}, RelayRow{1137, 0, 3, {"entity:1137:0:3"}},
        RelayRow{1138, 0, 0, {"entity:1138:0:0"}}, RelayRow{1139, 1, 0, {"views:9:1:0"}},
        RelayRow{1140, 0, 4, {"entity:1140:0:4"}}),
    [](const ::testing::TestParamInfo<RelayRow>& info) {
        // Names like "Message1127_first3": the row's message and first parameter.
        intptr_t first = info.param.first;
        return "Message" + std::to_string(info.param.message) + "_first" +
               (first < 0 ? "Minus" : "") + std::to_string(first < 0 ? -first : first) + "_" +
               std::to_string(info.index);
    });

class ActivationTest : public ::testing::Test {
  protected:
    Log m_log;
    app_testing::RecordingTarget m_entityBar{"entity", m_log};
    app_testing::RecordingTarget m_propBar{"prop", m_log};
    app::CMessageRelayer m_relayer{
        &m_entityBar, &m_propBar, [this](document::UpdateHint hint, intptr_t param) {
            m_log.push_back(Entry("views", static_cast<int>(hint), param, 0));
        }};
};

TEST_F(ActivationTest, AnActivationReachesTheBarsOnlyWhenTheDocumentChanges) {
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    m_relayer.Relay(AppMessage::DocumentActivated, 1, 200);
    m_relayer.Relay(AppMessage::DocumentActivated, 1, 200);
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    EXPECT_EQ(m_log, (Log{"entity:1125:0:100", "prop:1125:0:100", "entity:1125:1:200",
                          "prop:1125:1:200", "entity:1125:0:100", "prop:1125:0:100"}));
    EXPECT_EQ(m_relayer.LastActivation(), 100);
}

TEST_F(ActivationTest, ADocumentOpenedWhereAClosedOneLivedIsStillAnnounced) {
    // A new document may get the address of the one just closed.
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    m_relayer.Relay(AppMessage::DocumentClosing, 0, 100);
    m_log.clear();
    m_relayer.Relay(AppMessage::DocumentActivated, 1, 100);
    EXPECT_EQ(m_log, (Log{"entity:1125:1:100", "prop:1125:1:100"}));
}

TEST_F(ActivationTest, ClosingAnotherDocumentKeepsTheActiveOne) {
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    m_relayer.Relay(AppMessage::DocumentClosing, 0, 200);
    m_log.clear();
    m_relayer.Relay(AppMessage::DocumentActivated, 0, 100);
    EXPECT_TRUE(m_log.empty());
}

} // namespace
