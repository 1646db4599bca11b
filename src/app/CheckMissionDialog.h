#pragma once

#include <QDialog>

class CDefNode;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace document {
class CVarnholtMapEditorDoc;
}

namespace resources {
class CResourceCatalogue;
}

namespace app {

// The "Check Mission" window: the findings of the mission check, one row
// each (line, severity, message). Double click or Enter on a row asks the
// document's views to go to the element, as the entity bar does; the element
// tree selects it. The window stays open beside the document and checks
// again on request; a row whose element was deleted meanwhile goes nowhere.
class CCheckMissionDialog : public QDialog {
    Q_OBJECT
  public:
    // catalogue may be null: entity types are then not checked.
    CCheckMissionDialog(document::CVarnholtMapEditorDoc& doc,
                        const resources::CResourceCatalogue* catalogue, QWidget* parent = nullptr);

    // Runs the checks on the document as it is now and lists the findings.
    void Recheck();
    QTreeWidget* List() const { return m_list; }
    // "No problems found." or the counts of errors and warnings.
    QString Summary() const;
    // Sends the views of the document to the element of a row; false when
    // the row has no element or the element is no longer in the document.
    bool GoTo(QTreeWidgetItem* item);

  private:
    document::CVarnholtMapEditorDoc& m_doc;
    const resources::CResourceCatalogue* m_catalogue;
    QTreeWidget* m_list;
    QLabel* m_summary;
};

} // namespace app
