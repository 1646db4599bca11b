#include "app/CheckMissionDialog.h"

#include "document/DocumentHost.h"
#include "document/MissionLint.h"
#include "document/VarnholtMapEditorDoc.h"
#include "platform/Text.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kNodeRole = Qt::UserRole;

QString FromBytes(const std::string& text) {
    return QString::fromStdString(platform::Cp1252ToUtf8(text));
}

} // namespace

CCheckMissionDialog::CCheckMissionDialog(document::CVarnholtMapEditorDoc& doc,
                                         const resources::CResourceCatalogue* catalogue,
                                         QWidget* parent)
    : QDialog(parent), m_doc(doc), m_catalogue(catalogue) {
    setObjectName(QStringLiteral("checkMissionDialog"));
    setWindowTitle(tr("Check Mission"));
    setModal(false);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("findings"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({tr("Line"), tr("Severity"), tr("Message")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // Double click and Enter both activate a row.
    connect(m_list, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { GoTo(item); });

    auto* again = new QPushButton(tr("Check &Again"), this);
    again->setObjectName(QStringLiteral("checkAgain"));
    auto* close = new QPushButton(tr("Close"), this);
    // Enter on a row goes to its element; no button may take it first.
    for (QPushButton* button : {again, close}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(again, &QPushButton::clicked, this, &CCheckMissionDialog::Recheck);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(again);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(720, 320);
    Recheck();
}

void CCheckMissionDialog::Recheck() {
    m_list->clear();
    const std::vector<document::LintFinding> findings = document::LintMission(m_doc, m_catalogue);
    int errors = 0;
    QStyle* style = QApplication::style();
    const QIcon errorIcon = style->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const document::LintFinding& finding : findings) {
        const bool error = finding.severity == document::LintSeverity::Error;
        errors += error ? 1 : 0;
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::number(finding.line));
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(1, QString::fromLatin1(document::SeverityWord(finding.severity)));
        item->setIcon(1, error ? errorIcon : warningIcon);
        item->setText(2, FromBytes(finding.message));
        item->setToolTip(2, item->text(2));
        item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(finding.node)));
    }
    const int warnings = static_cast<int>(findings.size()) - errors;
    if (findings.empty())
        m_summary->setText(tr("No problems found."));
    else
        m_summary->setText(tr("%1 error(s), %2 warning(s). Double-click a line to go to its "
                              "element.")
                               .arg(errors)
                               .arg(warnings));
    if (QTreeWidgetItem* first = m_list->topLevelItem(0)) m_list->setCurrentItem(first);
}

QString CCheckMissionDialog::Summary() const {
    return m_summary->text();
}

bool CCheckMissionDialog::GoTo(QTreeWidgetItem* item) {
    if (!item) return false;
    const auto* node =
        reinterpret_cast<const CDefNode*>(item->data(0, kNodeRole).value<quintptr>());
    // The list may be older than the last edit: only a node the document
    // still holds is handed on.
    if (!document::DocumentHoldsNode(m_doc, node)) {
        m_summary->setText(tr("That element no longer exists. Check again to refresh the list."));
        return false;
    }
    if (document::DocumentHost* host = m_doc.Services().host)
        host->UpdateAllViews(document::UpdateHint::GoToElement, reinterpret_cast<intptr_t>(node));
    return true;
}

} // namespace app
