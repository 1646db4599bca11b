#include "app/AppDialogs.h"

#include "app/QtPlatform.h"
#include "platform/Text.h"
#include "resources/EditorStartup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace app {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog,
                           QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok |
                                                                       QDialogButtonBox::Cancel) {
    auto* box = new QDialogButtonBox(buttons, dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QPushButton* BrowseButton(QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

} // namespace

QString QtFilterPatterns(const QString& filter) {
    qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return QStringLiteral("*");
    QStringList patterns;
    for (const QString& pattern :
         filter.mid(open + 1, close - open - 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString p = pattern.trimmed();
        if (p == QLatin1String("*.*") || p == QLatin1String("*")) return QStringLiteral("*");
        if (!p.isEmpty()) patterns << p;
    }
    return patterns.isEmpty() ? QStringLiteral("*") : patterns.join(QLatin1Char(' '));
}

void SetFileFilters(QFileDialog& dialog, const QStringList& filters) {
    // Qt reads the last parenthesised group as the patterns and, with the
    // details hidden, shows what comes before it: the filter as written.
    QStringList qtFilters;
    for (const QString& filter : filters)
        qtFilters << filter + QStringLiteral(" (") + QtFilterPatterns(filter) + QLatin1Char(')');
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(qtFilters);
}

FolderBrowser SystemFolderBrowser() {
    return [](QWidget* parent, const QString& title) {
        QString folder = QFileDialog::getExistingDirectory(parent, title);
        return folder.isEmpty() ? folder : QDir::toNativeSeparators(folder);
    };
}

// --- Options -------------------------------------------------------------------------

COptionsDialog::COptionsDialog(const QString& gamePath, const QString& resourcePath,
                               FolderBrowser browser, QWidget* parent)
    : QDialog(parent), m_browser(std::move(browser)),
      m_ownPrompts(std::make_unique<QtPrompts>(this)), m_prompts(m_ownPrompts.get()),
      m_initialGamePath(gamePath) {
    setWindowTitle(tr("Options"));
    m_gamePath = new QLineEdit(gamePath, this);
    m_gamePath->setObjectName("gamePath");
    m_resourcePath = new QLineEdit(resourcePath, this);
    m_resourcePath->setObjectName("resourcePath");
    m_gamePath->setMinimumWidth(320);
    auto* browseGame = BrowseButton(this);
    browseGame->setObjectName("browseGamePath");
    auto* browseResource = BrowseButton(this);
    browseResource->setObjectName("browseResourcePath");
    connect(browseGame, &QPushButton::clicked, this, &COptionsDialog::BrowseGamePath);
    connect(browseResource, &QPushButton::clicked, this, &COptionsDialog::BrowseResourcePath);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Game Path"), this), 0, 0);
    grid->addWidget(m_gamePath, 0, 1);
    grid->addWidget(browseGame, 0, 2);
    grid->addWidget(new QLabel(tr("Resource Path"), this), 1, 0);
    grid->addWidget(m_resourcePath, 1, 1);
    grid->addWidget(browseResource, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

COptionsDialog::~COptionsDialog() = default;

void COptionsDialog::accept() {
    // A wrong game folder, once stored, would give every later start an
    // empty catalogue with no word of why.
    // Only a changed folder is checked: the one the editor started with was
    // checked then, and refusing it now would hold the resource path hostage.
    QString game = m_gamePath->text();
    if (!game.isEmpty() && game != m_initialGamePath) {
        std::string problem = resources::CheckGameFolder(ToPath(game));
        if (!problem.empty()) {
            if (m_prompts) m_prompts->Message(problem, platform::Icon::Warning);
            m_gamePath->setFocus();
            return;
        }
    }
    QDialog::accept();
}

QString COptionsDialog::GamePath() const {
    return m_gamePath->text();
}
QString COptionsDialog::ResourcePath() const {
    return m_resourcePath->text();
}

void COptionsDialog::BrowseGamePath() {
    m_gamePath->setText(m_browser ? m_browser(this, QString::fromUtf8(kGamePathBrowseTitle))
                                  : QString());
}

void COptionsDialog::BrowseResourcePath() {
    m_resourcePath->setText(m_browser ? m_browser(this, QString::fromUtf8(kResourcePathBrowseTitle))
                                      : QString());
}

// --- Resource Directory ----------------------------------------------------------------

CResourceDirectoryDialog::CResourceDirectoryDialog(const QString& proposal, FolderBrowser browser,
                                                   QWidget* parent)
    : QDialog(parent), m_browser(std::move(browser)) {
    setWindowTitle(tr("Resource Directory"));
    auto* text = new QLabel(
        QStringLiteral(
            "The 'game.pak' needs to be unpacked. You may decide, where the files are stored."),
        this);
    text->setWordWrap(true);
    m_directory = new QLineEdit(proposal, this);
    m_directory->setObjectName("directory");
    m_directory->setMinimumWidth(320);
    auto* browse = BrowseButton(this);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, &CResourceDirectoryDialog::Browse);
    auto* row = new QHBoxLayout;
    row->addWidget(m_directory);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(row);
    layout->addWidget(OkCancel(this));
}

QString CResourceDirectoryDialog::Directory() const {
    return m_directory->text();
}

void CResourceDirectoryDialog::Browse() {
    // A cancelled browser keeps the proposal: an empty field would only make
    // the start fail.
    QString chosen =
        m_browser ? m_browser(this, QString::fromUtf8(kTargetDirBrowseTitle)) : QString();
    if (!chosen.isEmpty()) m_directory->setText(chosen);
}

// --- document type ------------------------------------------------------------------------

CDocumentTypeDialog::CDocumentTypeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Select the type of document"));
    m_group = new QButtonGroup(this);
    auto* layout = new QVBoxLayout(this);
    const char* labels[] = {"Mission", "Map (existing template)", "Map (create new)"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(labels[i]), this);
        radio->setObjectName(QStringLiteral("type%1").arg(i));
        m_group->addButton(radio, i);
        layout->addWidget(radio);
    }
    layout->addWidget(OkCancel(this));
}

int CDocumentTypeDialog::Choice() const {
    return m_group->checkedId();
}

void CDocumentTypeDialog::SetChoice(int choice) {
    if (QAbstractButton* button = m_group->button(choice)) button->setChecked(true);
}

QString SpecialDocumentName(int choice) {
    switch (choice) {
    case 0:
        return QStringLiteral("$mission$");
    case 1:
        return QStringLiteral("$map$");
    case 2:
        return QStringLiteral("$createmap$");
    default:
        return {};
    }
}

// --- About ------------------------------------------------------------------------------------

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About VarnholtMapEditor"));
    auto* layout = new QVBoxLayout(this);
    auto* version = new QLabel(QStringLiteral("VarnholtMapEditor Version 1.0.4.1"), this);
    version->setObjectName("version");
    layout->addWidget(version);
    layout->addWidget(OkCancel(this, QDialogButtonBox::Ok));
}

// --- Game Options -------------------------------------------------------------------------------

CGameOptionsDialog::CGameOptionsDialog(int side, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Game Options"));
    m_side = new QComboBox(this);
    m_side->setObjectName("side");
    m_side->addItems({QStringLiteral("USSR (0)"), QStringLiteral("USA (1)"),
                      QStringLiteral("GER (2)"), QStringLiteral("GBR (3)")});
    SetSide(side);
    auto* form = new QFormLayout;
    form->addRow(tr("Player side:"), m_side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

int CGameOptionsDialog::Side() const {
    return m_side->currentIndex();
}

void CGameOptionsDialog::SetSide(int side) {
    m_side->setCurrentIndex(side >= 0 && side <= 3 ? side : 0);
}

// --- Map Templates
// ---------------------------------------------------------------------------------

CMapTemplatesDialog::CMapTemplatesDialog(const std::vector<std::string>& templates, QWidget* parent)
    : QDialog(parent), m_templates(templates) {
    setWindowTitle(tr("Map Templates"));
    m_list = new QListWidget(this);
    m_list->setObjectName("templates");
    // Each template shows with the application's icon at 48 x 48.
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(48, 48));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setWordWrap(true);
    m_list->setGridSize(QSize(120, 80));
    const QIcon icon = QApplication::windowIcon().isNull()
                           ? style()->standardIcon(QStyle::SP_FileIcon)
                           : QApplication::windowIcon();
    for (const auto& name : m_templates)
        m_list->addItem(
            new QListWidgetItem(icon, QString::fromStdString(platform::Cp1252ToUtf8(name))));
    auto* note = new QLabel(
        QStringLiteral("Currently the editor cannot create mapground\r\nstructures.\r\nPlease "
                       "select an existing template for your new map.")
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
        this);
    auto* buttons = OkCancel(this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_list, &QListWidget::currentRowChanged, ok,
            [ok](int row) { ok->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(480, 360);
}

std::string CMapTemplatesDialog::Chosen() const {
    int row = m_list->currentRow();
    return row >= 0 && row < static_cast<int>(m_templates.size())
               ? m_templates[static_cast<size_t>(row)]
               : std::string();
}

void CMapTemplatesDialog::Select(int row) {
    m_list->setCurrentRow(row);
}

// --- Run the game
// --------------------------------------------------------------------------------------

bool RunGame(std::string& gamePath, QWidget* parent, const FolderBrowser& browser,
             const ProcessStarter& start) {
    if (gamePath.empty() && browser)
        gamePath = QFile::encodeName(browser(parent, QString::fromUtf8(kGamePathBrowseTitle)))
                       .toStdString();
    if (gamePath.empty()) return false;
    QString folder = QFile::decodeName(QByteArray::fromStdString(gamePath));
    QString program = QDir(folder).filePath(QStringLiteral("Varnholt.exe"));
    return start && start(QDir::toNativeSeparators(program), folder);
}

ProcessStarter DetachedStarter() {
    return [](const QString& program, const QString& workingFolder) {
        return QProcess::startDetached(program, {}, workingFolder);
    };
}

} // namespace app
