#include "optimize/ui/windows_manager_dlg.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/prompter.h"
#include "document/picture_document.h"
#include "optimize/transfer_info.h"
#include "optimize/ui/group_windows.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"

namespace lp {

namespace {
constexpr int kIdRole = Qt::UserRole + 1;
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
}  // namespace

CWindowsManagerDlg::CWindowsManagerDlg(CGroupWindows& groups, bool usePng, double modemSpeed, QWidget* parent)
    : QDialog(parent), m_groups(groups), m_model(usePng), m_speed(modemSpeed) {
    setObjectName(QStringLiteral("WindowsManager"));
    setWindowTitle(QStringLiteral("Windows Manager"));
    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    auto* fileLabel = new QLabel(QStringLiteral("File"), this);
    m_files = new QComboBox(this);
    m_files->setAccessibleName(QStringLiteral("File"));
    fileLabel->setBuddy(m_files);
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_files, 1);
    layout->addLayout(fileRow);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("WindowList"));
    m_list->setAccessibleName(QStringLiteral("Windows"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    const auto columns = m_model.Columns();
    QStringList titles;
    for (const WmColumnInfo& c : columns) titles << Text(c.title);
    m_list->setHeaderLabels(titles);
    // Dialog units: a quarter of the average character width.
    const int unit = std::max(1, QFontMetrics(font()).averageCharWidth() / 4);
    for (int i = 0; i < int(columns.size()); ++i) m_list->setColumnWidth(i, columns[std::size_t(i)].width * unit + 8);
    m_list->header()->setSectionsClickable(true);
    layout->addWidget(m_list, 1);

    auto* buttons = new QHBoxLayout;
    m_activate = new QPushButton(QStringLiteral("Activate"), this);
    m_select = new QPushButton(QStringLiteral("Select"), this);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_tile = new QPushButton(QStringLiteral("Tile"), this);
    m_cascade = new QPushButton(QStringLiteral("Cascade"), this);
    for (QPushButton* b : {m_activate, m_select, m_close, m_tile, m_cascade}) {
        b->setAccessibleName(b->text());
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    resize(560, 300);

    connect(m_files, &QComboBox::currentIndexChanged, this, &CWindowsManagerDlg::ShowGroup);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CWindowsManagerDlg::UpdateButtons);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        const auto cols = m_model.Columns();
        if (section < 0 || section >= int(cols.size())) return;
        // The model keeps its own order; the list shows it.
        const_cast<WindowsManagerModel&>(m_model).SortBy(cols[std::size_t(section)].column);
        FillRows();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (CChildFrame* frame = m_groups.WindowOf(item->data(0, kIdRole).toInt())) m_groups.ActivateWindow(frame);
    });
    connect(m_activate, &QPushButton::clicked, this, &CWindowsManagerDlg::OnActivate);
    connect(m_select, &QPushButton::clicked, this, &CWindowsManagerDlg::OnSelect);
    connect(m_close, &QPushButton::clicked, this, &CWindowsManagerDlg::OnClose);
    connect(m_tile, &QPushButton::clicked, this, [this] { m_groups.Tile(); });
    connect(m_cascade, &QPushButton::clicked, this, [this] { m_groups.Cascade(); });
    Reload();
}

void CWindowsManagerDlg::Reload() {
    const QSignalBlocker block(m_files);
    m_keys = m_groups.Groups().Keys();
    m_files->clear();
    for (const std::string& key : m_keys) m_files->addItem(QString::fromStdString(key));
    m_files->setCurrentIndex(m_keys.empty() ? -1 : 0);
    ShowGroup(m_files->currentIndex());
}

void CWindowsManagerDlg::ShowGroup(int index) {
    std::vector<WindowsManagerRow> rows;
    if (index >= 0 && index < int(m_keys.size())) {
        for (const GroupMember& member : m_groups.Groups().Members(m_keys[std::size_t(index)])) {
            CChildFrame* frame = m_groups.WindowOf(member.id);
            if (!frame) continue;
            const COrvantixDoc& doc = frame->Document();
            const TransferInfo& t = doc.Transfer();
            WindowsManagerRow row;
            row.id = member.id;
            row.previewNumber = member.previewNumber;
            row.previewKind = member.previewKind;
            if (const Picture* p = doc.GetPicture()) {
                row.width = p->Width();
                row.height = p->Height();
            }
            row.colors = doc.ColourCount();
            row.jpgSeconds = TransferSeconds(t.jpegBytes, m_speed);
            row.gifSeconds = TransferSeconds(t.gifBytes, m_speed);
            row.pngSeconds = TransferSeconds(t.pngBytes, m_speed);
            rows.push_back(row);
        }
    }
    m_model.SetRows(std::move(rows));
    FillRows();
}

void CWindowsManagerDlg::FillRows() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    const auto columns = m_model.Columns();
    for (const WindowsManagerRow& row : m_model.Rows()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setData(0, kIdRole, row.id);
        for (int i = 0; i < int(columns.size()); ++i) {
            item->setText(i, QString::fromStdString(m_model.CellText(row, columns[std::size_t(i)].column)));
            item->setTextAlignment(i, columns[std::size_t(i)].rightAligned ? Qt::AlignRight | Qt::AlignVCenter
                                                                           : Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    UpdateButtons();
}

std::vector<GroupWindowId> CWindowsManagerDlg::SelectedIds() const {
    std::vector<GroupWindowId> ids;
    for (QTreeWidgetItem* item : m_list->selectedItems()) ids.push_back(item->data(0, kIdRole).toInt());
    return ids;
}

void CWindowsManagerDlg::SelectWindows(const std::vector<GroupWindowId>& ids) {
    m_list->clearSelection();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (std::find(ids.begin(), ids.end(), item->data(0, kIdRole).toInt()) != ids.end()) item->setSelected(true);
    }
    UpdateButtons();
}

void CWindowsManagerDlg::UpdateButtons() {
    const std::size_t selected = std::size_t(m_list->selectedItems().size());
    m_activate->setEnabled(WindowsManagerModel::CanActivate(selected));
    m_select->setEnabled(WindowsManagerModel::CanSelect(selected));
    m_close->setEnabled(WindowsManagerModel::CanClose(selected));
    m_tile->setEnabled(m_model.CanArrange());
    m_cascade->setEnabled(m_model.CanArrange());
}

void CWindowsManagerDlg::OnActivate() {
    for (const GroupWindowId id : SelectedIds()) m_groups.ActivateWindow(m_groups.WindowOf(id));
    m_list->clearSelection();
}

void CWindowsManagerDlg::OnSelect() {
    const std::vector<GroupWindowId> ids = SelectedIds();
    if (ids.size() != 1) return;
    if (CChildFrame* frame = m_groups.WindowOf(ids.front())) m_groups.Promote(frame);
    accept();
}

void CWindowsManagerDlg::OnClose() {
    const std::vector<GroupWindowId> ids = SelectedIds();
    if (ids.empty()) return;
    if (m_model.CloseRefused(ids)) {
        if (auto* main = qobject_cast<CMainFrame*>(parentWidget()))
            main->GetPrompter().Message(kCloseMasterRefused, "Lumaprism", PromptIcon::Exclamation);
        return;
    }
    // A window may stay open (its save question was cancelled): only closed rows go.
    std::vector<GroupWindowId> closed;
    for (const GroupWindowId id : ids)
        if (CChildFrame* frame = m_groups.WindowOf(id); frame && frame->close()) closed.push_back(id);
    m_model.RemoveRows(closed, m_groups.Groups());
    FillRows();
}

}  // namespace lp
