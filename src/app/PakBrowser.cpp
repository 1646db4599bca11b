#include "app/PakBrowser.h"

#include "platform/Text.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace app {

namespace {

constexpr uint8_t kDirectoryAttribute = 0x10;

} // namespace

std::vector<PakBrowserEntry> PakFolderEntries(std::span<const pak::PakMemberInfo> members,
                                              std::string_view folder) {
    std::vector<PakBrowserEntry> folders;
    std::vector<PakBrowserEntry> files;
    std::set<std::string> seenFolders;
    for (const auto& member : members) {
        std::string_view name = member.name;
        if (name.size() <= folder.size() || name.substr(0, folder.size()) != folder) continue;
        std::string_view rest = name.substr(folder.size());
        size_t slash = rest.find('/');
        bool isFolder =
            slash != std::string_view::npos || (member.attributes & kDirectoryAttribute) != 0;
        std::string_view first = slash == std::string_view::npos ? rest : rest.substr(0, slash);
        if (first.empty()) continue; // "a//b" or a stray leading separator
        if (isFolder) {
            if (!seenFolders.insert(std::string(first)).second) continue;
            PakBrowserEntry entry;
            entry.name = first;
            entry.fullName = std::string(folder) + std::string(first) + "/";
            entry.folder = true;
            folders.push_back(std::move(entry));
        } else {
            PakBrowserEntry entry;
            entry.name = first;
            entry.fullName = member.name;
            entry.size = member.uncompressedSize;
            files.push_back(std::move(entry));
        }
    }
    auto byName = [](const PakBrowserEntry& a, const PakBrowserEntry& b) {
        return a.name < b.name;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::stable_sort(files.begin(), files.end(), byName);

    std::vector<PakBrowserEntry> entries;
    entries.reserve(folders.size() + files.size() + 1);
    if (!folder.empty()) {
        PakBrowserEntry up;
        up.fullName = PakParentFolder(folder);
        up.folder = true;
        up.parent = true;
        entries.push_back(std::move(up));
    }
    for (auto& f : folders)
        entries.push_back(std::move(f));
    for (auto& f : files)
        entries.push_back(std::move(f));
    return entries;
}

std::string PakParentFolder(std::string_view folder) {
    if (folder.empty()) return {};
    std::string_view inner = folder.substr(0, folder.size() - 1); // drop the trailing '/'
    size_t slash = inner.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(inner.substr(0, slash + 1));
}

CPakBrowserDialog::CPakBrowserDialog(std::vector<pak::PakMemberInfo> members, QWidget* parent)
    : QDialog(parent), m_members(std::move(members)) {
    setWindowTitle(tr("Open from archive"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName("members");
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({tr("Name"), tr("Size")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->setSortingEnabled(false); // the order is the browser's own
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { ActivateRow(m_list->indexOfTopLevelItem(item)); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPakBrowserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPakBrowserDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(480, 400);
    ShowFolder({});
}

CPakBrowserDialog::~CPakBrowserDialog() = default;

void CPakBrowserDialog::ShowFolder(const std::string& folder) {
    m_folder = folder;
    m_entries = PakFolderEntries(m_members, m_folder);
    m_list->clear();
    QStyle* style = QApplication::style();
    for (const auto& entry : m_entries) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromStdString(platform::Cp1252ToUtf8(entry.name)));
        if (entry.parent)
            item->setIcon(0, style->standardIcon(QStyle::SP_FileDialogToParent));
        else
            item->setIcon(
                0, style->standardIcon(entry.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        if (!entry.folder) item->setText(1, QLocale().formattedDataSize(entry.size));
    }
    setWindowTitle(folder.empty()
                       ? tr("Open from archive")
                       : tr("Open from archive - %1")
                             .arg(QString::fromStdString(platform::Cp1252ToUtf8(folder))));
}

void CPakBrowserDialog::SelectRow(int row) {
    if (QTreeWidgetItem* item = m_list->topLevelItem(row)) m_list->setCurrentItem(item);
}

void CPakBrowserDialog::ActivateRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return;
    const PakBrowserEntry entry = m_entries[static_cast<size_t>(row)];
    if (entry.folder) {
        ShowFolder(entry.fullName);
        return;
    }
    m_chosen = entry.fullName;
    QDialog::accept();
}

void CPakBrowserDialog::accept() {
    int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return;
    if (m_entries[static_cast<size_t>(row)].folder) return;
    ActivateRow(row);
}

} // namespace app
