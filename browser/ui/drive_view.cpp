#include "browser/ui/drive_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "base/printf_text.h"
#include "base/prompter.h"
#include "browser/drive_tree.h"
#include "browser/file_operations.h"
#include "browser/ui/browser_dialogs.h"

namespace fs = std::filesystem;

namespace lp {

namespace {
constexpr std::string_view kCaption = "Lumaprism";
constexpr const char* kDummy = "...";

bool IsFolderKind(int kind) { return kind == CDriveView::Drive || kind == CDriveView::Folder || kind == CDriveView::NetworkShare; }

std::vector<fs::path> LocalFilesOf(const QMimeData* data) {
    std::vector<fs::path> files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
    return files;
}
}  // namespace

CDriveView::CDriveView(fs::path cacheDirectory, bool cacheInfo, Prompter& prompter, QWidget* parent)
    : QTreeWidget(parent), m_prompter(prompter), m_sites(std::make_unique<CSiteList>(std::move(cacheDirectory), cacheInfo)) {
    setObjectName(QStringLiteral("Drive view"));
    setWindowTitle(QStringLiteral("Drive view"));
    setAccessibleName(QStringLiteral("Drive view"));
    setHeaderHidden(true);
    setColumnCount(1);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);

    m_filling = true;
    std::vector<MountEntry> mounts = ReadMountTable();
    for (const MountEntry& m : mounts)
        if (!m.network) MakeItem(nullptr, QString::fromStdString(m.mountPoint.string()), m.mountPoint, Drive, true);
    m_network = MakeItem(nullptr, QString::fromLatin1(kNetworkRoot), {}, NetworkRoot, false);
    for (const MountEntry& m : mounts)
        if (m.network)
            MakeItem(m_network, QString::fromStdString(m.device + "  (" + m.mountPoint.string() + ")"), m.mountPoint,
                     NetworkShare, true);
    m_sitesRoot = MakeItem(nullptr, QString::fromLatin1(kWebSitesRoot), {}, SitesRoot, false);
    m_filling = false;
    ReloadSites();

    connect(this, &QTreeWidget::itemExpanded, this, &CDriveView::FillChildren);
    connect(this, &QTreeWidget::itemChanged, this, &CDriveView::OnItemChanged);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
        if (!item || m_filling) return;
        const int kind = item->data(0, kKindRole).toInt();
        if (kind == NetworkRoot || kind == SitesRoot) return;
        const fs::path path = PathOf(item);
        if (!path.empty()) emit LocationChosen(path);
    });
}

CDriveView::~CDriveView() { m_sites->Save(); }

fs::path CDriveView::PathOf(const QTreeWidgetItem* item) {
    if (!item) return {};
    return fs::path(item->data(0, kPathRole).toString().toStdString());
}

QTreeWidgetItem* CDriveView::MakeItem(QTreeWidgetItem* parent, const QString& caption, const fs::path& path, ItemKind kind,
                                      bool expandable) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, caption);
    item->setData(0, kPathRole, QString::fromStdString(path.string()));
    item->setData(0, kKindRole, int(kind));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == Folder || kind == Site) flags |= Qt::ItemIsEditable;
    if (IsFolderKind(kind)) flags |= Qt::ItemIsDropEnabled;
    item->setFlags(flags);
    if (expandable) new QTreeWidgetItem(item, {QString::fromLatin1(kDummy)});
    return item;
}

void CDriveView::FillChildren(QTreeWidgetItem* item) {
    const int kind = item->data(0, kKindRole).toInt();
    if (!IsFolderKind(kind)) return;
    if (item->childCount() != 1 || item->child(0)->text(0) != QString::fromLatin1(kDummy) ||
        item->child(0)->data(0, kKindRole).isValid())
        return;  // filled already
    m_filling = true;
    delete item->takeChild(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const TreeChild& child : FolderChildren(PathOf(item))) {
        const QString caption = QString::fromStdString(child.name);
        switch (child.kind) {
            case TreeChild::Kind::Folder: MakeItem(item, caption, child.path, Folder, MayHaveChildren(child.path)); break;
            case TreeChild::Kind::HtmlFile: MakeItem(item, caption, child.path, HtmlFile, false); break;
            case TreeChild::Kind::AnimatedGif: MakeItem(item, caption, child.path, AnimatedGif, false); break;
        }
    }
    QApplication::restoreOverrideCursor();
    m_filling = false;
}

QTreeWidgetItem* CDriveView::RevealFolder(const fs::path& folder) {
    // The drive that holds the folder: the longest mount point in front of it.
    QTreeWidgetItem* best = nullptr;
    std::size_t bestLength = 0;
    const std::string target = folder.lexically_normal().string();
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        if (root->data(0, kKindRole).toInt() != Drive) continue;
        const std::string mount = PathOf(root).string();
        const bool inside = target == mount || target.rfind(mount == "/" ? mount : mount + "/", 0) == 0;
        if (inside && mount.size() >= bestLength) {
            best = root;
            bestLength = mount.size();
        }
    }
    if (!best) return nullptr;
    QTreeWidgetItem* item = best;
    const fs::path relative = fs::path(target).lexically_relative(PathOf(best));
    m_filling = true;
    for (const auto& part : relative) {
        if (part == ".") continue;
        item->setExpanded(true);
        FillChildren(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0).toStdString() == part.string()) next = item->child(i);
        if (!next) break;
        item = next;
    }
    setCurrentItem(item);
    m_filling = false;
    return item;
}

void CDriveView::ReloadSites() {
    m_filling = true;
    qDeleteAll(m_sitesRoot->takeChildren());
    for (std::size_t i = 0; i < m_sites->Count(); ++i) {
        const SiteRecord& r = m_sites->Record(i);
        MakeItem(m_sitesRoot, QString::fromStdString(r.url), SiteLocation(r), Site, false);
    }
    m_filling = false;
}

QTreeWidgetItem* CDriveView::NewFolder() {
    QTreeWidgetItem* parent = currentItem();
    if (!parent || !IsFolderKind(parent->data(0, kKindRole).toInt())) return nullptr;
    parent->setExpanded(true);
    FillChildren(parent);
    const FolderResult made = MakeNewFolder(PathOf(parent));
    if (!made.error.empty()) {
        m_prompter.Message(made.error, kCaption, PromptIcon::Stop);
        return nullptr;
    }
    m_filling = true;
    QTreeWidgetItem* item = MakeItem(parent, QString::fromStdString(made.path.filename().string()), made.path, Folder, false);
    m_filling = false;
    setCurrentItem(item);
    editItem(item, 0);
    return item;
}

QTreeWidgetItem* CDriveView::AddUrl() {
    m_filling = true;
    QTreeWidgetItem* item = MakeItem(m_sitesRoot, QStringLiteral("www."), {}, Site, false);
    item->setData(0, kPathRole, QString());
    m_filling = false;
    m_sitesRoot->setExpanded(true);
    setCurrentItem(item);
    editItem(item, 0);
    return item;
}

void CDriveView::OnItemChanged(QTreeWidgetItem* item, int) {
    if (m_filling || !item) return;
    const int kind = item->data(0, kKindRole).toInt();
    const std::string text = item->text(0).toStdString();
    if (kind == Folder) {
        const fs::path old = PathOf(item);
        if (text == old.filename().string()) return;
        const std::string error = RenameFolder(old, text);
        m_filling = true;
        if (!error.empty()) {
            m_prompter.Message(error, kCaption, PromptIcon::Stop);
            item->setText(0, QString::fromStdString(old.filename().string()));
        } else {
            const fs::path now = old.parent_path() / text;
            item->setData(0, kPathRole, QString::fromStdString(now.string()));
            // Children made from the old path are read again on the next expansion.
            qDeleteAll(item->takeChildren());
            if (MayHaveChildren(now)) new QTreeWidgetItem(item, {QString::fromLatin1(kDummy)});
        }
        m_filling = false;
        return;
    }
    if (kind != Site) return;
    const std::string oldLocation = PathOf(item).string();
    const auto normalised = NormaliseSiteUrl(text);
    if (!normalised) {
        m_prompter.Message("Not a Proper URL name\nCannot Add to URL list", kCaption, PromptIcon::Stop);
        if (oldLocation.empty()) {
            delete item;
        } else {
            m_filling = true;
            item->setText(0, QString::fromStdString(oldLocation.substr(7)));
            m_filling = false;
        }
        return;
    }
    if (oldLocation.empty()) {
        SiteRecord record;
        record.url = *normalised;
        if (!m_sites->Add(record)) {
            m_prompter.Message(PrintfText("Unable to Add URL %s to List\nEntry already exists !!", normalised->c_str()), kCaption,
                               PromptIcon::Stop);
            delete item;
            return;
        }
    } else {
        const auto index = m_sites->FindLocation(oldLocation);
        if (!index) return;
        SiteRecord record = m_sites->Record(*index);
        const std::string oldUrl = record.url;
        record.url = *normalised;
        if (!m_sites->Modify(*index, record)) {
            m_prompter.Message(PrintfText("Unable to Modify URL %s to %s", oldUrl.c_str(), normalised->c_str()), kCaption,
                               PromptIcon::Stop);
            m_filling = true;
            item->setText(0, QString::fromStdString(oldUrl));
            m_filling = false;
            return;
        }
    }
    m_sites->Save();
    m_filling = true;
    item->setText(0, QString::fromStdString(*normalised));
    item->setData(0, kPathRole, QString::fromStdString("http://" + *normalised));
    m_filling = false;
}

void CDriveView::DeleteUrl() {
    QTreeWidgetItem* item = currentItem();
    if (!item || item->data(0, kKindRole).toInt() != Site) return;
    if (m_prompter.Ask("Are you sure you want to delete the\nSelected URL from list", kCaption, PromptButtons::YesNo,
                       PromptAnswer::No) != PromptAnswer::Yes)
        return;
    const auto index = m_sites->FindLocation(PathOf(item).string());
    if (!index || !m_sites->Delete(*index)) {
        m_prompter.Message(PrintfText("Unable to Delete URL %s from list", item->text(0).toStdString().c_str()), kCaption,
                           PromptIcon::Stop);
        return;
    }
    m_sites->Save();
    delete item;
}

void CDriveView::Paste(bool asShortcuts) {
    QTreeWidgetItem* item = currentItem();
    if (!item || !IsFolderKind(item->data(0, kKindRole).toInt())) return;
    const QClipboard* clipboard = QApplication::clipboard();
    const std::vector<fs::path> files = LocalFilesOf(clipboard ? clipboard->mimeData() : nullptr);
    if (files.empty()) return;
    DropFiles(files, PathOf(item), asShortcuts ? Qt::LinkAction : Qt::CopyAction);
}

void CDriveView::DropFiles(const std::vector<fs::path>& files, const fs::path& folder, Qt::DropAction action) {
    std::vector<std::string> errors;
    if (action == Qt::LinkAction) {
        std::vector<std::string> names;
        for (const auto& f : files) names.push_back(f.string());
        LinkFiles(names, folder, errors);
    } else {
        TransferFiles(files, folder, action == Qt::MoveAction ? TransferKind::Move : TransferKind::Copy, errors);
    }
    for (const std::string& error : errors) m_prompter.Message(error, kCaption, PromptIcon::Stop);
    emit FolderChanged(folder);
    for (const auto& f : files) emit FolderChanged(f.parent_path());
}

QTreeWidgetItem* CDriveView::FolderItemAt(const QPoint& pos) const {
    QTreeWidgetItem* item = itemAt(pos);
    if (!item || !IsFolderKind(item->data(0, kKindRole).toInt())) return nullptr;
    return item;
}

void CDriveView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CDriveView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && FolderItemAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CDriveView::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* item = FolderItemAt(event->position().toPoint());
    const std::vector<fs::path> files = LocalFilesOf(event->mimeData());
    if (!item || files.empty()) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = event->dropAction();
    event->setDropAction(action);
    event->accept();
    DropFiles(files, PathOf(item), action);
}

void CDriveView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(event->pos());
    if (item) setCurrentItem(item);
    const int kind = item ? item->data(0, kKindRole).toInt() : 0;
    QMenu menu(this);
    const bool folder = IsFolderKind(kind);
    const QClipboard* clipboard = QApplication::clipboard();
    const bool files = clipboard && !LocalFilesOf(clipboard->mimeData()).empty();
    menu.addAction(QStringLiteral("New &Folder"), this, [this] { NewFolder(); })->setEnabled(folder);
    menu.addAction(QStringLiteral("&Paste"), this, [this] { Paste(false); })->setEnabled(folder && files);
    menu.addAction(QStringLiteral("Paste &Shortcut"), this, [this] { Paste(true); })->setEnabled(folder && files);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Add URL"), this, [this] { AddUrl(); });
    menu.addAction(QStringLiteral("&Modify URL"), this, [this, item] { editItem(item, 0); })->setEnabled(kind == Site);
    menu.addAction(QStringLiteral("De&lete URL"), this, [this] { DeleteUrl(); })->setEnabled(kind == Site);
    menu.addAction(QStringLiteral("&Properties"), this, [this, item] {
        // The site's options in the "Web Sites" dialog, the site chosen.
        CWebSitesDlg dialog(*m_sites, m_prompter, this);
        dialog.SelectUrl(item->text(0).toStdString());
        if (dialog.exec() == QDialog::Accepted) ReloadSites();
    })->setEnabled(kind == Site);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Map Network Drive"), this, [this] {
        m_prompter.Message(std::string("Map Network Drive: ") + kNetworkDialogsMissing, kCaption, PromptIcon::Information);
    });
    menu.addAction(QStringLiteral("&Disconnect Network Drive"), this, [this] {
        m_prompter.Message(std::string("Disconnect Network Drive: ") + kNetworkDialogsMissing, kCaption, PromptIcon::Information);
    });
    menu.exec(event->globalPos());
}

}  // namespace lp
