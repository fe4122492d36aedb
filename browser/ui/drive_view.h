#pragma once
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "browser/site_list.h"

namespace lp {

class Prompter;

/// The browser's tree (`CDriveView`, window text "Drive view") on the control
/// panel's "Browser" page: the mounted local file systems as drives, the
/// mounted network file systems under "Network Neighborhood", and the user's
/// sites under "Web-Sites". Choosing an item shows its location in the list.
class CDriveView final : public QTreeWidget {
    Q_OBJECT
public:
    enum ItemKind { Drive = 1, Folder, HtmlFile, AnimatedGif, NetworkRoot, NetworkShare, SitesRoot, Site };
    static constexpr int kPathRole = Qt::UserRole + 1;
    static constexpr int kKindRole = Qt::UserRole + 2;

    CDriveView(std::filesystem::path cacheDirectory, bool cacheInfo, Prompter& prompter, QWidget* parent = nullptr);
    ~CDriveView() override;

    CSiteList& Sites() { return *m_sites; }
    /// The location of an item: a folder or file path, "http://" + a site's
    /// URL, a share's mount point; empty for the network branches.
    static std::filesystem::path PathOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* NetworkItem() const { return m_network; }
    QTreeWidgetItem* SitesItem() const { return m_sitesRoot; }
    /// Expands the tree down to a folder and selects it (without showing it).
    QTreeWidgetItem* RevealFolder(const std::filesystem::path& folder);

    /// "New &Folder" in the selected folder; the new item's caption is opened for editing.
    QTreeWidgetItem* NewFolder();
    /// "&Add URL": a new site item "www." opened for editing.
    QTreeWidgetItem* AddUrl();
    /// "De&lete URL" of the selected site, after the question.
    void DeleteUrl();
    /// "&Paste" / "Paste &Shortcut" into the selected folder from the clipboard's file list.
    void Paste(bool asShortcuts);
    /// Drop of a file list on a folder with the effect chosen.
    void DropFiles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder, Qt::DropAction action);
    /// Reloads the "Web-Sites" branch from the site list.
    void ReloadSites();

signals:
    /// The user chose an item: the list shows its location.
    void LocationChosen(const std::filesystem::path& location);
    /// Files were copied, moved or linked into a folder (the list refreshes when it shows it).
    void FolderChanged(const std::filesystem::path& folder);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QTreeWidgetItem* MakeItem(QTreeWidgetItem* parent, const QString& caption, const std::filesystem::path& path,
                              ItemKind kind, bool expandable);
    void FillChildren(QTreeWidgetItem* item);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    QTreeWidgetItem* FolderItemAt(const QPoint& pos) const;

    Prompter& m_prompter;
    std::unique_ptr<CSiteList> m_sites;
    QTreeWidgetItem* m_network = nullptr;
    QTreeWidgetItem* m_sitesRoot = nullptr;
    bool m_filling = false;
};

}  // namespace lp
