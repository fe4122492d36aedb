#pragma once
#include <QAbstractTableModel>
#include <QPixmap>
#include <vector>

#include "browser/picture_catalog.h"

namespace lp {

/// The browser list's rows as Qt's views read them: one row per catalog row,
/// the details columns, the large or small image as the row's decoration.
class CCatalogModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CCatalogModel(PictureCatalog& catalog, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction; }

    /// Large (100 x 100) or small (32 x 32) images as the decoration.
    void SetLargeIcons(bool large);
    bool LargeIcons() const { return m_large; }
    /// The Colors column exists only while `OptColors` is 0.
    void SetColoursColumn(bool shown);
    bool ColoursColumn() const { return m_colours; }
    /// Label editing (rename) is allowed in Folder mode only.
    std::function<bool(int row, const QString& newName)> renameRow;

    /// The catalog changed as a whole (a listing, a sort, a refresh).
    void Reset();
    /// One row's facts or images changed.
    void RowChanged(int row);

private:
    QPixmap Image(int row) const;

    PictureCatalog& m_catalog;
    bool m_large = true;
    bool m_colours = true;
    mutable std::vector<QPixmap> m_largeCache;  // by image index; null until drawn
    mutable std::vector<QPixmap> m_smallCache;
};

}  // namespace lp
