#include "TreeTestSupport.h"

#include "format/DefArchive.h"

#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

using namespace tree_testing;

namespace {

void PutOnClipboard(const std::string& bytes) {
    auto* data = new QMimeData;
    data->setData("VARNHOLT", QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

std::string ArchiveOf(CDefNode& node) {
    CDefArchive archive;
    node.Serialize(archive);
    return archive.Bytes();
}

} // namespace

class TreeEditTest : public ::testing::Test {
  protected:
    std::unique_ptr<CVarnholtMapEditorDoc> doc = MakeDoc(kMission);
    TestView view{doc.get(), nullptr};
    CDefNode* Mission() { return doc->Roots()[1].get(); }
    CDefNode* Helpers() { return Mission()->Child(2); }
};

TEST_F(TreeEditTest, DeleteRemovesTheRecordsOfWhatItDeletesAndSparesRootsAndLockedNodes) {
    CDefNode* eventF = Helpers()->Child(1);
    CDefNode* bound = doc->Roots()[0]->Child(0);
    bound->locked = true;
    for (CDefNode* spared : {Mission(), bound}) {
        view.SelectNode(spared);
        view.OnDelete();
    }
    EXPECT_FALSE(doc->IsModified());

    QSignalSpy modified(&view, &CVarnholtMapEditorView::DocumentModified);
    view.SelectNode(Helpers()->Child(0));
    view.OnDelete();
    ASSERT_EQ(Helpers()->ChildCount(), 1u);
    ASSERT_EQ(doc->Events().size(), 1u);
    EXPECT_EQ(doc->Events()[0]->node, eventF);
    EXPECT_EQ(view.SelectedNode(), eventF);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(modified.count(), 1);
    EXPECT_EQ(doc->Roots()[0]->ChildCount(), 1u);
}

TEST_F(TreeEditTest, TheEntryDialogsDeleteRemovesAnEntityWithItsId) {
    ASSERT_TRUE(doc->IdInUse(0x8001));
    view.SelectNode(Mission()->Child(0));
    OnEntryDialog([](CEntryDialog& dialog) { Click(dialog, "delete"); });
    view.OnEdit();
    EXPECT_EQ(Mission()->ChildCount(), 2u);
    EXPECT_EQ(std::string(Mission()->Child(0)->GetValue(0)), "\"tiger\"");
    EXPECT_FALSE(doc->IdInUse(0x8001));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(TreeEditTest, InsertAppendsTheNewEntryOnlyOnOk) {
    view.SelectNode(Helpers());
    OnEntryDialog([](CEntryDialog& dialog) { Click(dialog, "cancel"); });
    view.OnInsert();
    EXPECT_EQ(Helpers()->ChildCount(), 2u);
    EXPECT_FALSE(doc->IsModified());

    OnEntryDialog([](CEntryDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("name")->text(), "NewEntry");
        SetField(dialog, "name", "event");
        SetField(dialog, "param0", "\"g\"");
        Click(dialog, "ok");
    });
    view.OnInsert();
    ASSERT_EQ(Helpers()->ChildCount(), 3u);
    CDefNode* added = Helpers()->Child(2);
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*added), "event (\"g\")");
    EXPECT_EQ(added->depth, Helpers()->depth + 1);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(TreeEditTest, ASubtreeCopiedFromOneDocumentPastesIntoAnother) {
    auto mapDoc = MakeDoc("{map {WorldBound 0 0 1 1} {Entity \"house\" 0x1}}", document::Map);
    TestView mapView(mapDoc.get(), nullptr);
    CDefNode* entity = Mission()->Child(0);
    view.SelectNode(entity);
    ASSERT_TRUE(view.CanCopy());
    view.OnCopy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasFormat("VARNHOLT"));
    EXPECT_EQ(data->data("VARNHOLT").toStdString(), ArchiveOf(*entity));

    EXPECT_FALSE(mapView.CanPaste());
    CDefNode* map = mapDoc->Roots()[0].get();
    mapView.SelectNode(map);
    ASSERT_TRUE(mapView.CanPaste());
    mapView.OnPaste();

    ASSERT_EQ(map->ChildCount(), 3u);
    CDefNode* pasted = map->Child(2);
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*pasted), "Entity (\"m4a2\" ;0x8001)");
    ASSERT_EQ(pasted->ChildCount(), 1u);
    EXPECT_EQ(CVarnholtMapEditorView::ItemLabel(*pasted->Child(0)), "MID (5)");
    EXPECT_EQ(pasted->depth, 1);
    EXPECT_EQ(pasted->Child(0)->depth, 2);
    EXPECT_TRUE(mapDoc->IsModified());
    EXPECT_EQ(Mission()->ChildCount(), 3u);
}

TEST_F(TreeEditTest, PasteIgnoresBrokenAndNamelessData) {
    CDefNode nameless;
    nameless.AddValue("x");
    const std::string whole = ArchiveOf(*Mission()->Child(0));
    const std::string inputs[] = {whole.substr(0, whole.size() - 3), "\xFF\xFF\xFF\xFF", "",
                                  ArchiveOf(nameless)};
    view.SelectNode(Helpers());
    for (const std::string& bytes : inputs) {
        PutOnClipboard(bytes);
        view.OnPaste();
    }
    EXPECT_EQ(Helpers()->ChildCount(), 2u);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(TreeEditTest, ElementsDeletedElsewhereNeverReachTheTreesPainting) {
    view.resize(300, 400);
    view.expand(view.model()->index(1, 0));
    view.show();
    QApplication::processEvents();
    CDefNode* entity = Mission()->Child(0);
    view.SelectNode(entity);

    // The 3D view announces the deletion, then the document carries it out.
    view.OnUpdate(static_cast<int>(document::UpdateHint::ElementDeleted),
                  reinterpret_cast<intptr_t>(entity));
    ASSERT_TRUE(doc->DeleteElement(entity));
    view.grab();
    QApplication::processEvents();

    ASSERT_EQ(view.model()->rowCount(view.model()->index(1, 0)), 2);
    EXPECT_EQ(view.model()->index(0, 0, view.model()->index(1, 0)).data().toString(),
              "Entity (\"tiger\" ;0x8002)");
    view.grab();
}
