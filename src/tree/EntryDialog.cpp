#include "tree/EntryDialog.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "format/DefParser.h"
#include "tree/TreeText.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace {

// Whether definition text holds exactly one block with this name and values.
bool ReadsBackAs(const std::string& text, std::string_view name, std::string_view value) {
    DefNodeList roots;
    ParseDefinitionText(text, roots);
    if (roots.size() != 1 || roots[0]->ChildCount() != 0 || roots[0]->Name() != name) return false;
    auto values = roots[0]->Values();
    if (value.empty()) return values.empty();
    return values.size() == 1 && values[0] == value;
}

} // namespace

CEntryDialog::CEntryDialog(CDefNode& node, document::CVarnholtMapEditorDoc* doc, QWidget* parent)
    : QDialog(parent), m_node(node), m_doc(doc) {
    setWindowTitle(QStringLiteral("Entry bearbeiten"));

    auto* form = new QFormLayout;
    m_name = new QLineEdit(tree::NodeText(node.Name()), this);
    m_name->setObjectName(QStringLiteral("name"));
    form->addRow(QStringLiteral("Name"), m_name);
    for (int k = 0; k < 4; ++k) {
        const char* value = node.GetValue(static_cast<size_t>(k));
        m_params[k] = new QLineEdit(value ? tree::NodeText(value) : QString(), this);
        m_params[k]->setObjectName(QStringLiteral("param%1").arg(k));
        form->addRow(QStringLiteral("Param %1").arg(k), m_params[k]);
    }

    m_subentries = new QListWidget(this);
    m_subentries->setObjectName(QStringLiteral("subentries"));
    auto* editButton = new QPushButton(QStringLiteral("Edit..."), this);
    editButton->setObjectName(QStringLiteral("edit"));
    editButton->setAutoDefault(false);
    connect(m_subentries, &QListWidget::itemDoubleClicked, this, &CEntryDialog::EditSubentry);
    connect(editButton, &QPushButton::clicked, this,
            [this] { EditSubentry(m_subentries->currentItem()); });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("delete"));
    remove->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CEntryDialog::accept);
    connect(remove, &QPushButton::clicked, this, [this] { done(DeleteRequested); });
    connect(cancel, &QPushButton::clicked, this, &CEntryDialog::reject);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_subentries, 1);
    listRow->addWidget(editButton, 0, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(remove);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Subentries"), this));
    layout->addLayout(listRow, 1);
    layout->addLayout(buttons);

    FillSubentries();
}

bool CEntryDialog::ApplyEntry(CDefNode& node, const QString& name, const QString params[4]) {
    if (name.isEmpty()) return false;
    node.SetName(tree::NodeBytes(name));
    // The fields show the first four values; a cleared field deletes its value
    // and the fields after it still belong to the values they showed, which
    // have moved down by then. So the position advances over kept values only.
    size_t position = 0;
    for (int k = 0; k < 4; ++k) {
        const std::string text = tree::NodeBytes(params[k]);
        if (!text.empty())
            node.SetValue(std::min(position++, node.ValueCount()), text);
        else if (position < node.ValueCount())
            node.RemoveValue(position);
    }
    return true;
}

QString CEntryDialog::CheckEntry(const QString& name, const QString params[4]) {
    // The writer puts names and values into the file unchanged, so anything
    // the parser would read differently would silently change the document,
    // or break every block after it, at the next save.
    const std::string nameBytes = tree::NodeBytes(name);
    if (!nameBytes.empty() && !ReadsBackAs("{" + nameBytes + "}", nameBytes, {}))
        return QStringLiteral("The name '%1' cannot be stored in the file as it is. "
                              "Use a single word, or put the text in double quotes.")
            .arg(name);
    for (int k = 0; k < 4; ++k) {
        const std::string value = tree::NodeBytes(params[k]);
        if (value.empty() || ReadsBackAs("{x " + value + "}", "x", value)) continue;
        return QStringLiteral("Param %1 ('%2') cannot be stored in the file as one value. "
                              "Use a single word or number, or put the text in double quotes.")
            .arg(k)
            .arg(params[k]);
    }
    return {};
}

void CEntryDialog::accept() {
    // Surrounding blanks would be dropped by the next load anyway.
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) return;
    QString params[4];
    for (int k = 0; k < 4; ++k)
        params[k] = m_params[k]->text().trimmed();
    const QString problem = CheckEntry(name, params);
    if (!problem.isEmpty()) {
        ShowProblem(problem);
        return;
    }
    ApplyEntry(m_node, name, params);
    QDialog::accept();
}

void CEntryDialog::ShowProblem(const QString& text) {
    QMessageBox::warning(this, windowTitle(), text);
}

void CEntryDialog::FillSubentries() {
    m_subentries->clear();
    for (CDefNode* child : m_node.Children()) {
        auto* item = new QListWidgetItem(tree::NodeText(child->Name()), m_subentries);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(child)));
    }
}

void CEntryDialog::EditSubentry(QListWidgetItem* item) {
    if (!item) return;
    auto* child = reinterpret_cast<CDefNode*>(item->data(Qt::UserRole).value<quintptr>());
    if (m_node.IndexOfChild(child) < 0) {
        FillSubentries();
        return;
    }
    CEntryDialog nested(*child, m_doc, this);
    const int result = nested.exec();
    if (nested.SubentriesChanged() || result == Confirmed) m_changed = true;
    if (result == DeleteRequested && RemoveSubentry(child)) m_changed = true;
    // Deleting an element through the document can take other children with it.
    FillSubentries();
}

bool CEntryDialog::RemoveSubentry(CDefNode* child) {
    if (m_doc) return m_doc->DeleteNode(child);
    const int index = m_node.IndexOfChild(child);
    if (index < 0) return false;
    m_node.RemoveChild(static_cast<size_t>(index));
    return true;
}
