#include "browser/ui/file_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStackedWidget>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <optional>

#include "base/imp_exp_exception.h"
#include "base/printf_text.h"
#include "base/prompter.h"
#include "browser/file_operations.h"
#include "browser/html_pictures.h"
#include "browser/list_commands.h"
#include "browser/site_list.h"
#include "web/internet_settings.h"
#include "browser/ui/browser_dialogs.h"
#include "browser/ui/catalog_model.h"
#include "guikit/ui/command_ids.h"
#include "optimize/ui/queued_progress.h"


namespace fs = std::filesystem;

namespace lp {

namespace {
constexpr std::string_view kCaption = "Lumaprism";

QString FromPath(const fs::path& p) { return QString::fromStdString(p.string()); }
fs::path ToPath(const QString& s) { return fs::path(s.toStdString()); }

bool IsUrl(const std::string& text) { return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0; }

std::string UpperExt(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = char(std::toupper((unsigned char)c));
    return ext;
}
}  // namespace

/// The worker's reports, handed on as queued signals: the worker never waits for the list.
class CFileView::Observer final : public ThumbnailObserver {
public:
    explicit Observer(CFileView& view) : m_view(view) {}
    void OnItemStarted(std::uint64_t pass, std::size_t index, const fs::path& path) override {
        emit m_view.WorkerItemStarted(pass, index, QString::fromStdString(path.filename().string()));
    }
    void OnThumbnail(ThumbnailOutcome&& outcome) override {
        const quint64 pass = outcome.passNumber;
        emit m_view.WorkerThumbnail(pass, std::make_shared<ThumbnailOutcome>(std::move(outcome)));
    }
    void OnPassFinished(std::uint64_t pass, const ErrorListing& errors, bool stopped) override {
        emit m_view.WorkerFinished(pass, std::make_shared<std::vector<ErrorListingEntry>>(errors.Entries()), stopped);
    }
    ProgressSink* PictureProgress() override { return progress.get(); }

    std::unique_ptr<QueuedProgress> progress;

private:
    CFileView& m_view;
};

CFileView::CFileView(AppSettings& settings, Prompter& prompter, fs::path cacheDirectory, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_prompter(prompter), m_status(QString::fromLatin1(kIdleStatus)) {
    qRegisterMetaType<std::shared_ptr<ThumbnailOutcome>>();
    qRegisterMetaType<std::shared_ptr<std::vector<ErrorListingEntry>>>();
    setObjectName(QStringLiteral("FileView"));
    m_cache = std::make_unique<CThumbnailCache>(std::move(cacheDirectory), settings.cacheInfo == 1);
    if (!m_cache->DirectoryUsable()) m_prompter.Message(kCacheDirectoryError, kCaption, PromptIcon::Exclamation);
    m_observer = std::make_unique<Observer>(*this);

    m_model = new CCatalogModel(m_catalog, this);
    m_model->SetColoursColumn(settings.optColors == 0);
    m_model->renameRow = [this](int row, const QString& name) { return RenameRow(row, name); };

    m_icons = new QListView(this);
    m_icons->setObjectName(QStringLiteral("BrowserIcons"));
    m_icons->setAccessibleName(QStringLiteral("Pictures"));
    m_icons->setModel(m_model);
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setIconSize(QSize(kLargeImageSize, kLargeImageSize));
    m_icons->setGridSize(QSize(kLargeImageSize + 40, kLargeImageSize + 36));
    m_icons->setUniformItemSizes(true);
    m_icons->setWordWrap(true);

    m_details = new QTreeView(this);
    m_details->setObjectName(QStringLiteral("BrowserDetails"));
    m_details->setAccessibleName(QStringLiteral("Pictures"));
    m_details->setModel(m_model);
    m_details->setRootIsDecorated(false);
    m_details->setUniformRowHeights(true);
    m_details->setItemsExpandable(false);
    m_details->setSelectionModel(m_icons->selectionModel());
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSortIndicatorShown(false);
    for (std::size_t c = 0; c < CatalogColumns().size(); ++c)
        m_details->header()->resizeSection(int(c), CatalogColumns()[c].width);
    connect(m_details->header(), &QHeaderView::sectionClicked, this, &CFileView::OnHeaderClicked);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        for (std::size_t c = 0; c < CatalogColumns().size(); ++c)
            m_details->header()->resizeSection(int(c), CatalogColumns()[c].width);
    });

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_icons), static_cast<QAbstractItemView*>(m_details)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        view->setDragEnabled(true);
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setDefaultDropAction(Qt::CopyAction);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
        connect(view, &QWidget::customContextMenuRequested, this, &CFileView::ShowContextMenu);
    }
    connect(m_icons->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CFileView::OnSelectionChanged);
    // The Delete key deletes in folder mode, as "D&elete" does.
    auto* deleteKey = new QAction(this);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteKey, &QAction::triggered, this, [this] { DeleteSelected(); });
    addAction(deleteKey);

    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_icons);
    m_stack->addWidget(m_details);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    connect(this, &CFileView::WorkerItemStarted, this, &CFileView::OnItemStarted, Qt::QueuedConnection);
    connect(this, &CFileView::WorkerThumbnail, this, &CFileView::OnThumbnail, Qt::QueuedConnection);
    connect(this, &CFileView::WorkerFinished, this, &CFileView::OnFinished, Qt::QueuedConnection);
    connect(this, &CFileView::SitePictureFound, this, [this](quint64 pass, const QString& url) {
        if (pass != m_catalog.PassNumber()) return;
        if (m_catalog.AddListedFile(ToPath(url))) m_model->Reset();
        emit UpdateCounts(Total());
    }, Qt::QueuedConnection);
    connect(this, &CFileView::SiteMessage, this, [this](quint64 pass, const QString& text) {
        if (pass != m_catalog.PassNumber()) return;
        m_message = text;
        emit UpdateMessagePane();
    }, Qt::QueuedConnection);
    connect(this, &CFileView::SiteSearchDone, this, &CFileView::OnSiteSearchDone, Qt::QueuedConnection);
    connect(this, &CFileView::PictureDownloaded, this, &CFileView::OnDownloaded, Qt::QueuedConnection);
    connect(this, &CFileView::DownloadsDone, this, &CFileView::OnDownloadsDone, Qt::QueuedConnection);
}

CFileView::~CFileView() {
    // The workers read the cache and report to this object: they end first.
    StopSiteJob();
    m_worker.Stop();
    if (m_cache) m_cache->Save();
}

QAbstractItemView* CFileView::CurrentView() const {
    return m_style == ViewStyle::Details ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

void CFileView::SetViewStyle(ViewStyle style) {
    m_style = style;
    switch (style) {
        case ViewStyle::ThumbNail:
            m_model->SetLargeIcons(true);
            m_icons->setViewMode(QListView::IconMode);
            m_icons->setIconSize(QSize(kLargeImageSize, kLargeImageSize));
            m_icons->setGridSize(QSize(kLargeImageSize + 40, kLargeImageSize + 36));
            m_icons->setWrapping(true);
            m_stack->setCurrentWidget(m_icons);
            m_icons->doItemsLayout();  // then arranges the icons
            break;
        case ViewStyle::List:
            m_model->SetLargeIcons(false);
            m_icons->setViewMode(QListView::ListMode);
            m_icons->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
            m_icons->setGridSize(QSize());
            m_icons->setFlow(QListView::TopToBottom);
            m_icons->setWrapping(true);
            m_stack->setCurrentWidget(m_icons);
            break;
        case ViewStyle::Details:
            m_model->SetLargeIcons(false);
            m_details->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
            m_stack->setCurrentWidget(m_details);
            break;
    }
}

void CFileView::SetStatus(const QString& text) { m_status = text; }

// ---------------------------------------------------------------------------------------------
// Listing

void CFileView::StopWorker() {
    StopSiteJob();
    m_worker.Stop();
}

void CFileView::StopSiteJob() {
    m_siteRunning = false;
    if (m_siteThread.joinable()) m_siteThread.join();
}

void CFileView::ShowLocation(const fs::path& location) {
    StopWorker();
    SetStatus(QString::fromLatin1(kIdleStatus));
    m_message.clear();
    emit UpdateMessagePane();
    m_catalog.Clear();
    m_model->Reset();
    if (location.empty()) {
        emit UpdateCounts(0);
        return;
    }
    const std::string text = location.string();
    std::error_code ec;
    const std::string ext = UpperExt(location);
    if (!fs::is_directory(location, ec) && (ext == ".HTML" || ext == ".HTM")) {
        ListHtmlFile(location);
        return;
    }
    if (IsUrl(text)) {
        ListWebSite(text);
        return;
    }
    if (ext == ".GIF" && !fs::is_directory(location, ec)) {
        ListFrames(location);
        return;
    }
    ListFolder(location);
}

void CFileView::ListFolder(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator probe(folder, ec);
    if (ec) {
        // A folder that cannot be read (no permission, gone): the list stays empty and says why.
        m_prompter.Message(PrintfText("Unable to open file %s", folder.string().c_str()), kCaption, PromptIcon::Stop);
        emit UpdateCounts(0);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_catalog.ListFolder(folder);
    m_model->Reset();
    QApplication::restoreOverrideCursor();
    SetStatus(QString::fromLatin1(kIdleStatus));
    emit UpdateMessagePane();
    emit UpdateCounts(0);
    if (!m_catalog.Rows().empty()) StartWorker(PassKind::FirstListing);
}

void CFileView::ListFrames(const fs::path& gif) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_catalog.ListGifFrames(gif);
    } catch (const ImpExpException& e) {
        QApplication::restoreOverrideCursor();
        m_prompter.Message(e.Message(), e.Title(), PromptIcon::Stop);
        m_model->Reset();
        emit UpdateCounts(0);
        return;
    }
    QApplication::restoreOverrideCursor();
    m_model->Reset();
    SetStatus(QString::fromLatin1("Adding Frame"));
    // n = total + 1 makes the counts read "Frame(s)".
    emit UpdateCounts(Total() + 1);
    SetStatus(QString::fromLatin1(kIdleStatus));
}

void CFileView::ListHtmlFile(const fs::path& html) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const HtmlFilePictures found = ScanHtmlFile(html, m_catalog.Filter(), m_searchDepth, progressSink);
    QApplication::restoreOverrideCursor();
    if (!found.opened) {
        m_prompter.Message(PrintfText("Unable to open file %s", html.string().c_str()), kCaption, PromptIcon::Stop);
        emit UpdateCounts(0);
        return;
    }
    m_catalog.ListFiles(BrowseMode::HtmlFile, html.string(), found.pictures);
    m_model->Reset();
    emit UpdateCounts(0);
    if (!found.errors.empty()) ShowErrors(found.errors);
    if (found.pictures.empty()) m_prompter.Message(kNoImagesInHtml, kCaption, PromptIcon::Information);
    if (!m_catalog.Rows().empty()) StartWorker(PassKind::FirstListing);
}

void CFileView::ListWebSite(const std::string& location) {
    m_catalog.ListFiles(BrowseMode::WebSite, location, {});
    m_model->Reset();
    int depth = 1;
    m_downloadAll = false;
    fs::path mapped;
    if (sites) {
        if (const auto index = sites->FindLocation(location)) {
            const SiteRecord& site = sites->Record(*index);
            depth = site.SearchDepth();
            m_downloadAll = site.downloadAll;
            if (site.mapLocally) mapped = site.mappedDirectory;
        }
        // A site whose pictures were downloaded before opens at once, without the server.
        if (m_settings.cacheInfo == 1)
            if (const auto listed = sites->ReadPictureList(location); listed && !listed->empty()) {
                m_catalog.ListFiles(BrowseMode::WebSite, location, *listed);
                m_model->Reset();
                emit UpdateCounts(0);
                StartWorker(PassKind::FirstListing);
                return;
            }
    }
    m_searchDepth = depth;
    emit UpdateCounts(0);
    SiteSearchEnv env;
    env.internet = InternetSettingsOf(m_settings);
    env.running = &m_siteRunning;
    env.mappedDirectory = mapped;
    const quint64 pass = m_catalog.PassNumber();
    env.message = [this, pass](const std::string& text) { emit SiteMessage(pass, QString::fromStdString(text)); };
    env.found = [this, pass](const std::string& url) { emit SitePictureFound(pass, QString::fromStdString(url)); };
    m_siteRunning = true;
    m_siteThread = std::thread([this, env, location, depth, pass] {
        const SiteSearchResult result = SearchSitePictures(location, depth, env);
        m_siteRunning = false;
        emit SiteSearchDone(pass, std::make_shared<std::vector<ErrorListingEntry>>(result.errors));
    });
}

bool CFileView::EndSiteWork(quint64 pass, const std::vector<ErrorListingEntry>& errors) {
    if (pass != m_catalog.PassNumber()) return false;
    if (m_siteThread.joinable()) m_siteThread.join();
    SetStatus(QString::fromLatin1(kIdleStatus));
    m_message.clear();
    emit UpdateMessagePane();
    emit UpdateCounts(0);
    if (!errors.empty()) ShowErrors(errors);
    return true;
}

void CFileView::OnSiteSearchDone(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors) {
    if (!EndSiteWork(pass, *errors)) return;
    if (m_catalog.Rows().empty()) {
        emit PassFinished();
        return;
    }
    if (m_downloadAll)
        DownloadFrom(0, true);
    else
        StartWorker(PassKind::FirstListing);
}

void CFileView::DownloadSelected() {
    if (m_catalog.Mode() != BrowseMode::WebSite) return;
    if (m_catalog.SelectedCount() == 0) {
        m_prompter.Message(kNoPicturesToDownload, kCaption, PromptIcon::Information);
        return;
    }
    StopWorker();
    std::vector<std::string> urls;
    for (const auto& row : m_catalog.Rows())
        if (row.selected && IsUrl(row.path.string())) urls.push_back(row.path.string());
    if (urls.empty()) return;
    fs::path directory = m_settings.downLoadDirectory.empty() ? fs::current_path() : fs::path(m_settings.downLoadDirectory);
    const quint64 pass = m_catalog.PassNumber();
    InternetSettings internet = InternetSettingsOf(m_settings);
    m_siteRunning = true;
    m_siteThread = std::thread([this, urls, directory, pass, internet] {
        auto errors = std::make_shared<std::vector<ErrorListingEntry>>();
        FetchLimits limits;
        limits.cancelled = [this] { return !m_siteRunning.load(); };
        CUrlFetch fetch(urls.front(), internet, nullptr, limits);
        int done = 0;
        for (const std::string& url : urls) {
            if (!m_siteRunning.load()) break;
            emit SiteMessage(pass, QString::fromStdString("Downloading from " + url));
            DownloadOutcome outcome = DownloadPicture(fetch, url, directory);
            if (outcome.local) {
                ++done;
                emit PictureDownloaded(pass, QString::fromStdString(url), FromPath(*outcome.local));
            } else {
                errors->push_back(outcome.error);
            }
        }
        m_siteRunning = false;
        emit DownloadsDone(pass, errors, done);
    });
}

void CFileView::DownloadFrom(int row, bool all) {
    if (m_catalog.Mode() != BrowseMode::WebSite) return;
    // Opening a row downloads from that row on: the rows are chosen as a selection.
    for (std::size_t i = 0; i < m_catalog.Rows().size(); ++i) m_catalog.Select(i, all || int(i) >= row);
    SelectionFromCatalog();
    DownloadSelected();
}

void CFileView::OnDownloaded(quint64 pass, const QString& url, const QString& local) {
    if (pass != m_catalog.PassNumber()) return;
    const auto row = m_catalog.RowOfPath(ToPath(url));
    if (!row) return;
    m_catalog.RenameRow(*row, ToPath(local));
    m_catalog.RefreshStamp(*row);
    SetStatus(QString::fromLatin1(kProcessingPrefix) + local);
    m_model->RowChanged(int(*row));
    emit UpdateCounts(0);
    if (sites) {
        std::vector<fs::path> downloaded;
        for (const fs::path& p : m_catalog.Paths())
            if (!IsUrl(p.string())) downloaded.push_back(p);
        sites->WritePictureList(m_catalog.Location().string(), downloaded);
    }
}

void CFileView::OnDownloadsDone(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors, int) {
    if (!EndSiteWork(pass, *errors)) return;
    // The downloaded pictures get their thumbnails like local files.
    StartWorker(PassKind::FirstListing);
}

void CFileView::Refresh() {
    const BrowseMode mode = m_catalog.Mode();
    const fs::path location = m_catalog.Location();
    if (location.empty()) return;
    if (mode != BrowseMode::Folder) {
        ShowLocation(location);
        return;
    }
    StopWorker();
    SetStatus(QString::fromLatin1(kIdleStatus));
    m_message.clear();
    emit UpdateMessagePane();
    if (m_catalog.SelectedCount() > 0) {
        // Only the selected rows are made again.
        StartWorker(PassKind::Refresh);
        return;
    }
    const std::vector<std::size_t> queued = m_catalog.RefreshFolder();
    m_model->Reset();
    emit UpdateCounts(0);
    if (!queued.empty()) StartWorker(PassKind::Refresh, queued);
}

void CFileView::StartWorker(PassKind pass, const std::vector<std::size_t>& indexes) {
    // The progress sink of a pass lives as long as the pass: the old pass ends before it goes.
    m_worker.Stop();
    ThumbnailJob job = m_catalog.MakeJob(pass, ThumbnailOptions::FromSettings(m_settings), indexes);
    m_observer->progress = std::make_unique<QueuedProgress>(progressSink, this);
    m_worker.Start(std::move(job), m_cache.get(), *m_observer);
}

void CFileView::OnItemStarted(quint64 pass, qulonglong index, const QString& name) {
    if (pass != m_catalog.PassNumber()) return;
    SetStatus(QString::fromLatin1(kProcessingPrefix) + name);
    emit UpdateCounts(int(index) + 1);
}

void CFileView::OnThumbnail(quint64 pass, const std::shared_ptr<ThumbnailOutcome>& outcome) {
    if (pass != m_catalog.PassNumber()) return;
    const std::size_t jobIndex = outcome->index;
    if (!m_catalog.Apply(std::move(*outcome))) return;
    if (const auto row = m_catalog.RowOfJobIndex(jobIndex)) m_model->RowChanged(int(*row));
    m_message.clear();
    emit UpdateMessagePane();
}

void CFileView::OnFinished(quint64 pass, const std::shared_ptr<std::vector<ErrorListingEntry>>& errors, bool) {
    if (pass != m_catalog.PassNumber()) return;
    m_message.clear();
    SetStatus(QString::fromLatin1(kIdleStatus));
    emit UpdateMessagePane();
    emit UpdateCounts(0);
    m_cache->Save();
    if (!errors->empty()) ShowErrors(*errors);
    emit PassFinished();
}

void CFileView::ShowErrors(const std::vector<ErrorListingEntry>& entries) {
    if (showErrors) {
        showErrors(entries);
        return;
    }
    CErrorListingDlg dialog(entries, this);
    dialog.exec();
}

// ---------------------------------------------------------------------------------------------
// Selection and ordering

void CFileView::OnSelectionChanged() {
    if (m_syncingSelection) return;
    const auto rows = m_catalog.Rows().size();
    std::vector<bool> selected(rows, false);
    for (const QModelIndex& index : m_icons->selectionModel()->selectedRows())
        if (std::size_t(index.row()) < rows) selected[std::size_t(index.row())] = true;
    for (std::size_t i = 0; i < rows; ++i) m_catalog.Select(i, selected[i]);
    emit UpdateCounts(0);
}

void CFileView::SelectionFromCatalog() {
    m_syncingSelection = true;
    QItemSelection selection;
    const int last = m_model->columnCount() - 1;
    for (std::size_t i = 0; i < m_catalog.Rows().size(); ++i)
        if (m_catalog.Rows()[i].selected)
            selection.select(m_model->index(int(i), 0), m_model->index(int(i), last));
    m_icons->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncingSelection = false;
    emit UpdateCounts(0);
}

void CFileView::OnHeaderClicked(int column) {
    m_catalog.SortByColumn(column);
    m_model->Reset();
    SelectionFromCatalog();
}

void CFileView::SelectAllRows() {
    m_catalog.SelectAll();
    SelectionFromCatalog();
}

void CFileView::InvertSelection() {
    m_catalog.InvertSelection();
    SelectionFromCatalog();
}

// ---------------------------------------------------------------------------------------------
// Commands

void CFileView::OpenRow(int row) {
    if (row < 0 || std::size_t(row) >= m_catalog.Rows().size()) return;
    const auto& r = m_catalog.Rows()[std::size_t(row)];
    fs::path path = r.path;
    if (m_catalog.Mode() == BrowseMode::GifFrames) path = m_catalog.Location();
    if (IsUrl(path.string())) {
        // A picture of a site is downloaded first, from this row on.
        DownloadFrom(row);
        return;
    }
    if (UpperExt(path) == ".LNK") {
        const auto target = ResolveShortcut(path);
        if (!target) return;  // a shortcut whose target is gone is not opened
        path = *target;
    }
    std::error_code ec;
    if (!fs::exists(path, ec) || !openPicture) return;
    openPicture(path);
}

void CFileView::OpenSelected() {
    for (std::size_t i = 0; i < m_catalog.Rows().size(); ++i)
        if (m_catalog.Rows()[i].selected) {
            OpenRow(int(i));
            return;
        }
}

bool CFileView::RenameRow(int row, const QString& newName) {
    if (m_catalog.Mode() != BrowseMode::Folder || row < 0 || std::size_t(row) >= m_catalog.Rows().size()) return false;
    const fs::path old = m_catalog.Rows()[std::size_t(row)].path;
    const std::string name = newName.toStdString();
    if (name.empty() || name == old.filename().string()) return false;
    if (ExtensionChanges(old.filename().string(), name) &&
        m_prompter.Ask(kExtensionChangeQuestion, kCaption, PromptButtons::YesNo, PromptAnswer::No) != PromptAnswer::Yes)
        return false;
    // The worker may be reading the file under its old name: it stops first.
    StopWorker();
    const std::string error = RenameInFolder(old, name);
    if (!error.empty()) {
        m_prompter.Message(error, kCaption, PromptIcon::Stop);
        return false;
    }
    m_catalog.RenameRow(std::size_t(row), old.parent_path() / name);
    m_model->RowChanged(row);
    return true;
}

void CFileView::DeleteSelected() {
    if (m_catalog.Mode() != BrowseMode::Folder) return;
    std::vector<fs::path> files = m_catalog.PathsForBatch();
    if (files.empty()) return;
    StopWorker();
    std::vector<fs::path> failed;
    if (moveToTrash) {
        failed = moveToTrash(files);
    } else {
        for (const fs::path& file : files)
            if (!QFile::moveToTrash(FromPath(file))) failed.push_back(file);
    }
    for (const fs::path& file : failed)
        m_prompter.Message(PrintfText("Unable to delete %s", file.string().c_str()), kCaption, PromptIcon::Stop);
    for (std::size_t i = 0; i < m_catalog.Rows().size(); ++i) m_catalog.Select(i, false);
    Refresh();
}

void CFileView::CopySelected() {
    if (m_catalog.Mode() == BrowseMode::WebSite) return;
    std::vector<fs::path> files = m_catalog.PathsForBatch();
    if (files.empty()) return;
    QList<QUrl> urls;
    for (const fs::path& file : files) urls.append(QUrl::fromLocalFile(FromPath(file)));
    auto* data = new QMimeData;
    data->setUrls(urls);
    // File managers of the desktop read their own flavour of the same list.
    QByteArray gnome = "copy";
    for (const QUrl& url : urls) gnome += "\n" + url.toEncoded();
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard) {
        m_prompter.Message("Cannot open the Clipboard", kCaption, PromptIcon::Stop);
        delete data;
        return;
    }
    clipboard->setMimeData(data);
}

void CFileView::OptionsChanged() {
    m_model->SetColoursColumn(m_settings.optColors == 0);
}

void CFileView::ShowCacheDialog() {
    // The cache belongs to the worker while it runs.
    StopWorker();
    CCacheDlg dialog(m_settings, *m_cache, this);
    dialog.exec();
}

void CFileView::ShowFiltersDialog() {
    CFiltersDlg dialog(m_catalog.Filter(), this);
    if (dialog.exec() == QDialog::Accepted) m_catalog.Filter() = dialog.Result();
}

void CFileView::ShowWebSitesDialog() {
    if (!sites) return;
    CWebSitesDlg dialog(*sites, m_prompter, this);
    if (dialog.exec() == QDialog::Accepted) emit SitesChanged();
}

void CFileView::ShowContextMenu(const QPoint& at) {
    // The entries are the list's commands: the same handlers and greying as the menu bar's.
    QMenu menu(this);
    const auto add = [this](QMenu* to, const char* text, int id) {
        QAction* action = to->addAction(QString::fromLatin1(text));
        CommandState state;
        UpdateCommand(id, state);
        action->setEnabled(state.enabled);
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    };
    if (m_catalog.Mode() == BrowseMode::GifFrames) {
        add(&menu, "Thumb &Nail", cmd::kBrowserThumbNail);
        add(&menu, "&List View", cmd::kBrowserListView);
        add(&menu, "&Details", cmd::kBrowserDetails);
        add(&menu, "&Refresh", cmd::kBrowserRefresh);
        add(&menu, "P&roperties", cmd::kBrowserProperties);
    } else {
        add(&menu, "&Open", cmd::kBrowserOpen);
        add(&menu, "D&elete", cmd::kBrowserDelete);
        add(&menu, "&Copy", cmd::kEditCopy);
        add(&menu, "&DownLoad", cmd::kBrowserDownload);
        QMenu* view = menu.addMenu(QStringLiteral("&View"));
        add(view, "Thumb &Nail", cmd::kBrowserThumbNail);
        add(view, "&List View", cmd::kBrowserListView);
        add(view, "&Details", cmd::kBrowserDetails);
        QMenu* arrange = menu.addMenu(QStringLiteral("&Arrange Icons"));
        for (const char* text : {"by &Name", "by &Type", "by &Size", "by &Date"}) arrange->addAction(QString::fromLatin1(text));
        arrange->addAction(QStringLiteral("by &Colors"))
            ->setEnabled(ListCommandEnabled(ListCommand::ArrangeByColors, m_catalog.Mode(), Selected()));
        add(&menu, "&Refresh", cmd::kBrowserRefresh);
    }
    menu.exec(CurrentView()->viewport()->mapToGlobal(at));
}

void CFileView::ShowFrameProperties() {
    if (!ListCommandEnabled(ListCommand::Properties, m_catalog.Mode(), Selected()) || !openFrameProperties) return;
    for (std::size_t i = 0; i < m_catalog.Rows().size(); ++i)
        if (m_catalog.Rows()[i].selected) {
            openFrameProperties(m_catalog.Location(), i);
            return;
        }
}

namespace {

/// The list's commands whose greying depends on the mode and the selection.
std::optional<ListCommand> ListCommandOf(int id) {
    switch (id) {
        case cmd::kBrowserOpen: return ListCommand::Open;
        case cmd::kBrowserDelete: return ListCommand::Delete;
        case cmd::kEditCopy: return ListCommand::Copy;
        case cmd::kBrowserDownload: return ListCommand::DownLoad;
        case cmd::kBrowserThumbNail: return ListCommand::ThumbNail;
        case cmd::kBrowserListView: return ListCommand::ListView;
        case cmd::kBrowserDetails: return ListCommand::Details;
        case cmd::kBrowserRefresh: return ListCommand::Refresh;
        case cmd::kBrowserSelectAll: return ListCommand::SelectAll;
        case cmd::kBrowserInvertSelection: return ListCommand::InvertSelection;
        case cmd::kBrowserFileTypes: return ListCommand::FileTypes;
        case cmd::kBrowserCacheInfo: return ListCommand::CacheInfo;
        case cmd::kBrowserProperties: return ListCommand::Properties;
        default: return std::nullopt;
    }
}

}  // namespace

bool CFileView::UpdateCommand(int id, CommandState& state) {
    if (const auto command = ListCommandOf(id)) state.enabled = ListCommandEnabled(*command, m_catalog.Mode(), Selected());
    switch (id) {
        case cmd::kBrowserThumbNail:
            state.checked = m_style == ViewStyle::ThumbNail;
            return true;
        case cmd::kBrowserListView:
            state.checked = m_style == ViewStyle::List;
            return true;
        case cmd::kBrowserDetails:
            state.checked = m_style == ViewStyle::Details;
            return true;
        case cmd::kBrowserStop:
            state.enabled = m_worker.Running() || m_siteRunning.load();
            return true;
        case cmd::kBrowserDownload:
            // One site job at a time.
            state.enabled = state.enabled && !m_siteRunning.load();
            return true;
        case cmd::kBrowserProperties:
            state.enabled = state.enabled && bool(openFrameProperties);
            return true;
        case cmd::kBrowserWebSites:
            state.enabled = sites != nullptr;
            return true;
        default:
            return ListCommandOf(id).has_value();
    }
}

bool CFileView::ExecuteCommand(int id) {
    // A greyed command does nothing, whether it came from a menu, a key or the tool bar.
    CommandState state;
    if (UpdateCommand(id, state) && !state.enabled) return true;
    switch (id) {
        case cmd::kBrowserOpen:
            OpenSelected();
            return true;
        case cmd::kBrowserDelete:
            DeleteSelected();
            return true;
        case cmd::kBrowserSelectAll:
            SelectAllRows();
            return true;
        case cmd::kBrowserInvertSelection:
            InvertSelection();
            return true;
        case cmd::kBrowserThumbNail:
            SetViewStyle(ViewStyle::ThumbNail);
            return true;
        case cmd::kBrowserListView:
            SetViewStyle(ViewStyle::List);
            return true;
        case cmd::kBrowserDetails:
            SetViewStyle(ViewStyle::Details);
            return true;
        case cmd::kBrowserFileTypes:
            ShowFiltersDialog();
            return true;
        case cmd::kBrowserRefresh:
            Refresh();
            return true;
        case cmd::kBrowserCacheInfo:
            ShowCacheDialog();
            return true;
        case cmd::kBrowserProperties:
            ShowFrameProperties();
            return true;
        case cmd::kBrowserStop:
            StopWorker();
            SetStatus(QString::fromLatin1(kIdleStatus));
            m_message.clear();
            emit UpdateMessagePane();
            emit UpdateCounts(0);
            return true;
        case cmd::kEditCopy:
            CopySelected();
            return true;
        case cmd::kBrowserDownload:
            DownloadSelected();
            return true;
        case cmd::kBrowserWebSites:
            ShowWebSitesDialog();
            return true;
        default:
            return false;
    }
}

}  // namespace lp
