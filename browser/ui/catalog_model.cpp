#include "browser/ui/catalog_model.h"

#include <QMimeData>
#include <QUrl>

#include "imaging/ui/qimage_convert.h"

namespace lp {

CCatalogModel::CCatalogModel(PictureCatalog& catalog, QObject* parent) : QAbstractTableModel(parent), m_catalog(catalog) {}

int CCatalogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_catalog.Rows().size());
}

int CCatalogModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return m_colours ? int(CatalogColumns().size()) : kColoursColumn;
}

QPixmap CCatalogModel::Image(int row) const {
    const auto& r = m_catalog.Rows()[std::size_t(row)];
    const std::size_t index = std::size_t(r.item.imageIndex);
    auto& cache = m_large ? m_largeCache : m_smallCache;
    if (cache.size() <= index) cache.resize(index + 1);
    if (cache[index].isNull()) {
        const Picture& picture = m_large ? m_catalog.LargeImage(r.item.imageIndex) : m_catalog.SmallImage(r.item.imageIndex);
        cache[index] = QPixmap::fromImage(ToQImage(picture));
    }
    return cache[index];
}

QVariant CCatalogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto& row = m_catalog.Rows()[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(ColumnText(row.item, index.column()));
        case Qt::EditRole:
            return index.column() == 0 ? QString::fromStdString(row.item.name) : QVariant();
        case Qt::DecorationRole:
            if (index.column() == 0) return Image(index.row());
            return {};
        case Qt::ToolTipRole:
            return QString::fromStdString(row.path.string());
        case Qt::TextAlignmentRole: {
            if (index.column() >= int(CatalogColumns().size())) return {};
            switch (CatalogColumns()[std::size_t(index.column())].align) {
                case CatalogColumn::Align::Left: return int(Qt::AlignLeft | Qt::AlignVCenter);
                case CatalogColumn::Align::Centre: return int(Qt::AlignCenter);
                case CatalogColumn::Align::Right: return int(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        }
        case Qt::UserRole:
            return QString::fromStdString(row.path.string());
        default:
            return {};
    }
}

QVariant CCatalogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(CatalogColumns()[std::size_t(section)].heading);
    return {};
}

Qt::ItemFlags CCatalogModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_catalog.Mode() != BrowseMode::GifFrames) f |= Qt::ItemIsDragEnabled;
    if (index.column() == 0 && m_catalog.Mode() == BrowseMode::Folder) f |= Qt::ItemIsEditable;
    return f;
}

bool CCatalogModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != 0 || !renameRow) return false;
    if (!renameRow(index.row(), value.toString())) return false;
    emit dataChanged(index, index.siblingAtColumn(columnCount() - 1));
    return true;
}

QStringList CCatalogModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* CCatalogModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    std::vector<int> seen;
    for (const QModelIndex& index : indexes) {
        if (std::find(seen.begin(), seen.end(), index.row()) != seen.end()) continue;
        seen.push_back(index.row());
        const auto& row = m_catalog.Rows()[std::size_t(index.row())];
        const std::string path = row.path.string();
        if (path.rfind("http://", 0) == 0 || path.rfind("https://", 0) == 0)
            urls.append(QUrl(QString::fromStdString(path)));
        else
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void CCatalogModel::SetLargeIcons(bool large) {
    if (m_large == large) return;
    m_large = large;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

void CCatalogModel::SetColoursColumn(bool shown) {
    if (m_colours == shown) return;
    beginResetModel();
    m_colours = shown;
    endResetModel();
}

void CCatalogModel::Reset() {
    beginResetModel();
    m_largeCache.clear();
    m_smallCache.clear();
    endResetModel();
}

void CCatalogModel::RowChanged(int row) {
    if (row < 0 || row >= rowCount()) return;
    const std::size_t image = std::size_t(m_catalog.Rows()[std::size_t(row)].item.imageIndex);
    if (image < m_largeCache.size()) m_largeCache[image] = QPixmap();
    if (image < m_smallCache.size()) m_smallCache[image] = QPixmap();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace lp
