// The element tree follows the document's edits, undo and redo row by row:
// the rows stay those of the document, expanded items stay expanded, the
// selection stays where it was, and the model is never reset.

#include "TreeTestSupport.h"

#include "document/EntryEdit.h"
#include "tree/TreeText.h"

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tree_testing;

namespace {

// What Qt's model checker complains about while a test runs.
QStringList g_modelComplaints;
QtMessageHandler g_previousHandler = nullptr;

void RecordComplaint(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && QByteArray(context.category).startsWith("qt.modeltest"))
        g_modelComplaints << message;
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

struct Row {
    const CDefNode* node;
    int depth;
    QString label;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << std::string(static_cast<size_t>(row.depth) * 2, ' ') << row.label.toStdString();
}

} // namespace

class TreeHistoryTest : public ::testing::Test {
  protected:
    TreeHistoryTest() {
        g_modelComplaints.clear();
        g_previousHandler = qInstallMessageHandler(RecordComplaint);
        view.resize(300, 400);
        view.show();
        view.expand(view.model()->index(1, 0));
        view.expand(IndexOf(view, Tiger()));
        view.expand(IndexOf(view, Helpers()));
        view.SelectNode(EventF());
        QApplication::processEvents();
        resets.clear();
    }
    ~TreeHistoryTest() override { qInstallMessageHandler(g_previousHandler); }

    // The nodes by identity: edits move their rows.
    CDefNode* Mission() { return m_mission; }
    CDefNode* M4a2() { return m_m4a2; }
    CDefNode* Tiger() { return m_tiger; }
    CDefNode* Helpers() { return m_helpers; }
    CDefNode* EventF() { return m_eventF; }

    // The rows the view shows, top to bottom, against those the document
    // gives with the nodes' expanded marks: every root, and the children of
    // every expanded node.
    void ExpectRowsFollowTheDocument(const char* step) {
        SCOPED_TRACE(step);
        std::vector<Row> shown;
        for (QModelIndex i = view.model()->index(0, 0); i.isValid(); i = view.indexBelow(i)) {
            int depth = 0;
            for (QModelIndex p = i.parent(); p.isValid(); p = p.parent())
                ++depth;
            shown.push_back({CDefTreeModel::NodeOf(i), depth, i.data().toString()});
        }
        std::vector<Row> expected;
        std::vector<std::pair<const CDefNode*, int>> stack;
        const auto& roots = doc->Roots();
        for (auto it = roots.rbegin(); it != roots.rend(); ++it)
            stack.emplace_back(it->get(), 0);
        while (!stack.empty()) {
            auto [node, depth] = stack.back();
            stack.pop_back();
            expected.push_back({node, depth, tree::NodeLabel(*node)});
            if (!node->Expanded()) continue;
            for (size_t i = node->ChildCount(); i-- > 0;)
                stack.emplace_back(node->Child(i), depth + 1);
        }
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(resets.count(), 0);
        EXPECT_TRUE(g_modelComplaints.isEmpty()) << g_modelComplaints.join('\n').toStdString();
    }

    std::unique_ptr<CVarnholtMapEditorDoc> doc = MakeDoc(kMission);
    CDefNode* m_mission = doc->Roots()[1].get();
    CDefNode* m_m4a2 = m_mission->Child(0);
    CDefNode* m_tiger = m_mission->Child(1);
    CDefNode* m_helpers = m_mission->Child(2);
    CDefNode* m_eventF = m_helpers->Child(1);
    TestView view{doc.get(), nullptr};
    QAbstractItemModelTester tester{view.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning};
    QSignalSpy resets{view.model(), &QAbstractItemModel::modelReset};
};

TEST_F(TreeHistoryTest, AnElementDeletedElsewhereLeavesAndReturnsAsItWas) {
    CDefNode* tiger = Tiger();
    ASSERT_TRUE(doc->DeleteElement(tiger));
    ASSERT_EQ(Mission()->ChildCount(), 2u);
    ExpectRowsFollowTheDocument("delete");
    EXPECT_EQ(view.SelectedNode(), EventF());

    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
    ASSERT_EQ(Mission()->Child(1), tiger);
    EXPECT_TRUE(view.isExpanded(IndexOf(view, tiger)));
    EXPECT_EQ(view.SelectedNode(), EventF());

    ASSERT_TRUE(doc->Redo());
    ExpectRowsFollowTheDocument("redo");
    EXPECT_EQ(view.SelectedNode(), EventF());
}

TEST_F(TreeHistoryTest, APastedSubtreeComesAndGoesWithUndoAndRedo) {
    view.SelectNode(M4a2());
    view.OnCopy();
    view.SelectNode(Helpers());
    view.OnPaste();
    ASSERT_EQ(Helpers()->ChildCount(), 3u);
    CDefNode* pasted = Helpers()->Child(2);
    EXPECT_EQ(view.SelectedNode(), pasted);
    view.expand(IndexOf(view, pasted));
    ExpectRowsFollowTheDocument("paste");

    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
    EXPECT_NE(view.SelectedNode(), pasted);

    view.SelectNode(EventF());
    ASSERT_TRUE(doc->Redo());
    ExpectRowsFollowTheDocument("redo");
    ASSERT_EQ(Helpers()->Child(2), pasted);
    EXPECT_TRUE(view.isExpanded(IndexOf(view, pasted)));
    EXPECT_EQ(view.SelectedNode(), EventF());
}

TEST_F(TreeHistoryTest, AnEntryEditedThroughTheDocumentChangesItsRowsInPlace) {
    view.expand(IndexOf(view, M4a2()));
    CDefNode copy;
    copy.CopyFrom(*M4a2());
    const document::EntryCopyMap copyOf = document::PairEntryCopy(*M4a2(), copy);
    copy.SetValue(0, "\"panther\"");
    copy.RemoveChild(0);
    ASSERT_TRUE(document::WriteEntryCopy(doc.get(), *M4a2(), copy, copyOf));
    ExpectRowsFollowTheDocument("edit");
    EXPECT_EQ(IndexOf(view, M4a2()).data().toString(), "Entity (\"panther\" ;0x8001)");
    EXPECT_EQ(view.SelectedNode(), EventF());

    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
    EXPECT_EQ(IndexOf(view, M4a2()).data().toString(), "Entity (\"m4a2\" ;0x8001)");

    ASSERT_TRUE(doc->Redo());
    ExpectRowsFollowTheDocument("redo");
    EXPECT_EQ(view.SelectedNode(), EventF());
}

TEST_F(TreeHistoryTest, ARootInsertedAboveShiftsTheRowsBelowItIntact) {
    CDefNode* extra =
        doc->InsertSubtree(nullptr, 1, std::make_unique<CDefNode>("extra"), "Insert extra");
    ASSERT_EQ(doc->Roots()[1].get(), extra);
    ExpectRowsFollowTheDocument("insert");
    EXPECT_EQ(view.SelectedNode(), EventF());

    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
    ASSERT_TRUE(doc->Redo());
    ExpectRowsFollowTheDocument("redo");
    EXPECT_EQ(view.SelectedNode(), EventF());
}

TEST_F(TreeHistoryTest, TheViewsOwnDeleteSelectsTheNeighbourWithoutARebuild) {
    view.SelectNode(Helpers()->Child(0));
    view.OnDelete();
    ExpectRowsFollowTheDocument("delete");
    EXPECT_EQ(view.SelectedNode(), EventF());
    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
}

TEST_F(TreeHistoryTest, EditsBelowNodesNeverShownAppearWhenTheyAreOpened) {
    CDefNode* map = doc->Roots()[0].get();
    CDefNode* bound = map->Child(0);
    ASSERT_NE(doc->InsertSubtree(bound, 0, std::make_unique<CDefNode>("x"), "Insert x"), nullptr);
    ExpectRowsFollowTheDocument("insert");
    ASSERT_TRUE(doc->Undo());
    ASSERT_TRUE(doc->Redo());
    ExpectRowsFollowTheDocument("redo");
    view.expand(view.model()->index(0, 0));
    view.expand(IndexOf(view, bound));
    ExpectRowsFollowTheDocument("opened");
    ASSERT_TRUE(doc->Undo());
    ExpectRowsFollowTheDocument("undo");
    EXPECT_EQ(view.SelectedNode(), EventF());
}
