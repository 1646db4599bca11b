#include "tree/EntryDialog.h"

#include "document/EntryEdit.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefNode.h"
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

CEntryDialog::CEntryDialog(CDefNode& node, document::CVarnholtMapEditorDoc* doc, QWidget* parent)
    : QDialog(parent), m_node(node), m_doc(doc), m_copy(std::make_unique<CDefNode>()) {
    setWindowTitle(QStringLiteral("Entry bearbeiten"));
    m_copy->CopyFrom(node);
    m_copyOf = document::PairEntryCopy(node, *m_copy);

    auto* form = new QFormLayout;
    m_name = new QLineEdit(tree::NodeText(m_copy->Name()), this);
    m_name->setObjectName(QStringLiteral("name"));
    form->addRow(QStringLiteral("Name"), m_name);
    for (int k = 0; k < 4; ++k) {
        const char* value = m_copy->GetValue(static_cast<size_t>(k));
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

CEntryDialog::~CEntryDialog() = default;

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
    const std::string nameBytes = tree::NodeBytes(name);
    if (!nameBytes.empty())
        if (std::string problem = format::CheckName(nameBytes); !problem.empty())
            return tree::NodeText(problem);
    for (int k = 0; k < 4; ++k) {
        const std::string value = tree::NodeBytes(params[k]);
        if (value.empty()) continue; // an empty field removes its value
        if (std::string problem = format::CheckValue(value); !problem.empty())
            return tree::NodeText(problem);
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
    ApplyEntry(*m_copy, name, params);
    m_changed = document::WriteEntryCopy(m_doc, m_node, *m_copy, m_copyOf);
    QDialog::accept();
}

void CEntryDialog::ShowProblem(const QString& text) {
    QMessageBox::warning(this, windowTitle(), text);
}

void CEntryDialog::FillSubentries() {
    m_subentries->clear();
    for (CDefNode* child : m_copy->Children()) {
        auto* item = new QListWidgetItem(tree::NodeText(child->Name()), m_subentries);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(child)));
    }
}

void CEntryDialog::EditSubentry(QListWidgetItem* item) {
    if (!item) return;
    auto* child = reinterpret_cast<CDefNode*>(item->data(Qt::UserRole).value<quintptr>());
    if (m_copy->IndexOfChild(child) < 0) {
        FillSubentries();
        return;
    }
    // The nested dialog edits this dialog's copy; only OK here passes its
    // changes on, so Cancel here drops them as well.
    CEntryDialog nested(*child, nullptr, this);
    if (nested.exec() == DeleteRequested) RemoveSubentry(child);
    FillSubentries();
}

bool CEntryDialog::RemoveSubentry(CDefNode* child) {
    // The document would refuse to delete a base map node when OK writes
    // the deletion back, so the list does not pretend otherwise.
    const int index = m_copy->IndexOfChild(child);
    if (index < 0 || child->locked) return false;
    m_copy->RemoveChild(static_cast<size_t>(index));
    return true;
}
