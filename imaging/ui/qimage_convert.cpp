#include "imaging/ui/qimage_convert.h"

#include <QPainter>
#include <cstring>

namespace lp {

QImage ToQImage(const Picture& picture) {
    if (picture.IsEmpty()) return {};
    QImage image(picture.Width(), picture.Height(), QImage::Format_BGR888);
    if (image.isNull()) return {};
    const std::size_t rowBytes = RowBytes24(picture.Width());
    for (int y = 0; y < picture.Height(); ++y) std::memcpy(image.scanLine(y), picture.RowFromTop(y).data(), rowBytes);
    return image;
}

Picture FromQImage(const QImage& image) {
    Picture picture;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return picture;
    QImage flat(image.size(), QImage::Format_BGR888);
    if (flat.isNull()) return picture;
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    picture.Create(flat.width(), flat.height());
    const std::size_t rowBytes = RowBytes24(picture.Width());
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(picture.RowFromTop(y).data(), flat.constScanLine(y), rowBytes);
    return picture;
}

}  // namespace lp
