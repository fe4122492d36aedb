#pragma once
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <thread>
#include <functional>
#include <memory>
#include <vector>

#include "base/settings.h"
#include "browser/error_listing.h"
#include "browser/picture_catalog.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "guikit/ui/command_router.h"

class QAbstractItemView;
class QItemSelection;
class QListView;
class QStackedWidget;
class QTreeView;

namespace lp {

class CCatalogModel;
class CSiteList;
class Prompter;

/// The browser list (`CFileView`): the pictures of one location as thumbnails,
/// a list or details, with the thumbnail worker on its own thread. The worker's
/// reports arrive as queued signals carrying their pass number; those of a
/// pass that a newer listing replaced change nothing.
class CFileView final : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    enum class ViewStyle { ThumbNail, List, Details };

    CFileView(AppSettings& settings, Prompter& prompter, std::filesystem::path cacheDirectory, QWidget* parent = nullptr);
    ~CFileView() override;

    /// Show location: chooses the mode from the path and lists it. An empty
    /// path leaves the list empty.
    void ShowLocation(const std::filesystem::path& location);
    /// "&Refresh": reads the current location again.
    void Refresh();
    /// Stops the worker and waits for the picture under way.
    void StopWorker();
    bool WorkerRunning() const { return m_worker.Running(); }

    void SetViewStyle(ViewStyle style);
    ViewStyle Style() const { return m_style; }
    PictureCatalog& Catalog() { return m_catalog; }
    CCatalogModel& Model() { return *m_model; }
    QListView* IconView() const { return m_icons; }
    QTreeView* DetailsView() const { return m_details; }
    QAbstractItemView* CurrentView() const;
    CThumbnailCache& Cache() { return *m_cache; }

    /// The status text of pane 1 and the message of pane 0.
    const QString& StatusText() const { return m_status; }
    const QString& MessageText() const { return m_message; }
    int Total() const { return int(m_catalog.Rows().size()); }
    int Selected() const { return m_catalog.SelectedCount(); }

    /// The selection handed to the batch engine (all rows with all), in list order.
    std::vector<std::filesystem::path> SelectedPaths(bool all = false) const { return m_catalog.PathsForBatch(all); }

    /// The list's commands.
    void OpenRow(int row);
    void OpenSelected();
    void SelectAllRows();
    void InvertSelection();
    /// Rename in the list (folder mode): the extension question, then the file's new name.
    bool RenameRow(int row, const QString& newName);
    /// "D&elete": the selected files go to the trash; then Refresh.
    void DeleteSelected();
    /// "&Copy": the selected files on the clipboard as a file list.
    void CopySelected();
    /// After the Options sheet: the Colors column follows `OptColors`, the worker the other options.
    void OptionsChanged();
    /// "&Cache Info".
    void ShowCacheDialog();
    /// "&File Types": the "Filters" dialog.
    void ShowFiltersDialog();
    /// "&Web Sites": the "Web Sites" dialog over the tree's site list.
    void ShowWebSitesDialog();
    /// "P&roperties" (frames mode, two frames or more selected): the first selected frame's properties.
    void ShowFrameProperties();

    /// "&DownLoad": the selected pictures of a web site into the download folder
    /// (from a row on when opening a row that is a URL; all of them with all).
    void DownloadSelected();
    void DownloadFrom(int row, bool all = false);
    bool SiteJobRunning() const { return m_siteRunning.load(); }

    /// The web-site list of the tree (depth, download-all, picture lists); null: sites are not listed.
    CSiteList* sites = nullptr;
    /// Where the worker's reader and resize report progress (the frame's progress control).
    ProgressSink* progressSink = nullptr;
    /// Opens a picture in a picture window (the application's open).
    std::function<void(const std::filesystem::path&)> openPicture;
    /// Shows the properties of frame index (from 0) of the animated GIF; unset: "P&roperties" is greyed.
    std::function<void(const std::filesystem::path&, std::size_t)> openFrameProperties;
    /// Shows the "Error Listing" of a pass; unset: the dialog.
    std::function<void(const std::vector<ErrorListingEntry>&)> showErrors;
    /// Moves files to the trash; unset: QFile::moveToTrash. Returns the files that could not be moved.
    std::function<std::vector<std::filesystem::path>(const std::vector<std::filesystem::path>&)> moveToTrash;

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

signals:
    /// update-counts with n, to the frame.
    void UpdateCounts(int n);
    /// update-message-pane.
    void UpdateMessagePane();
    /// A thumbnail pass ended (after its error listing).
    void PassFinished();
    /// The "Web Sites" dialog changed the site list.
    void SitesChanged();

    // From the worker thread (queued).
    void WorkerItemStarted(quint64 pass, qulonglong index, const QString& name);
    void WorkerThumbnail(quint64 pass, std::shared_ptr<lp::ThumbnailOutcome> outcome);
    void WorkerFinished(quint64 pass, std::shared_ptr<std::vector<lp::ErrorListingEntry>> errors, bool stopped);
    void SitePictureFound(quint64 pass, const QString& url);
    void SiteMessage(quint64 pass, const QString& text);
    void SiteSearchDone(quint64 pass, std::shared_ptr<std::vector<lp::ErrorListingEntry>> errors);
    void PictureDownloaded(quint64 pass, const QString& url, const QString& local);
    void DownloadsDone(quint64 pass, std::shared_ptr<std::vector<lp::ErrorListingEntry>> errors, int done);

private:
    class Observer;

    void ListFolder(const std::filesystem::path& folder);
    void ListFrames(const std::filesystem::path& gif);
    void ListHtmlFile(const std::filesystem::path& html);
    void ListWebSite(const std::string& location);
    void StopSiteJob();
    /// A site search or download of this pass ended: the worker joined, the panes idle, the
    /// errors listed. False for a pass the list has moved on from.
    bool EndSiteWork(quint64 pass, const std::vector<ErrorListingEntry>& errors);
    void OnSiteSearchDone(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors);
    void OnDownloaded(quint64 pass, const QString& url, const QString& local);
    void OnDownloadsDone(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors, int done);
    void StartWorker(PassKind pass, const std::vector<std::size_t>& indexes = {});
    void OnItemStarted(quint64 pass, qulonglong index, const QString& name);
    void OnThumbnail(quint64 pass, const std::shared_ptr<ThumbnailOutcome>& outcome);
    void OnFinished(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors, bool stopped);
    void ShowErrors(const std::vector<ErrorListingEntry>& entries);
    void OnSelectionChanged();
    void SelectionFromCatalog();
    void OnHeaderClicked(int column);
    void ShowContextMenu(const QPoint& at);
    void SetStatus(const QString& text);

    AppSettings& m_settings;
    Prompter& m_prompter;
    PictureCatalog m_catalog;
    std::unique_ptr<CThumbnailCache> m_cache;
    std::unique_ptr<Observer> m_observer;
    ThumbnailWorker m_worker;
    CCatalogModel* m_model = nullptr;
    QStackedWidget* m_stack = nullptr;
    QListView* m_icons = nullptr;
    QTreeView* m_details = nullptr;
    ViewStyle m_style = ViewStyle::ThumbNail;
    QString m_status;
    QString m_message;
    bool m_syncingSelection = false;
    // Site search and downloads: the list's second worker, with its own running flag.
    std::thread m_siteThread;
    std::atomic<bool> m_siteRunning{false};
    bool m_downloadAll = false;  // the site's "&DownLoad All Files"
    int m_searchDepth = 0;       // of the last site search (HTML files follow A HREF from 2)
};

}  // namespace lp
