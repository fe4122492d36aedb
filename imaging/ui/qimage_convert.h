#pragma once
#include <QImage>

#include "imaging/picture.h"

namespace lp {

/// A display copy of the picture (top row first). Null for an empty picture.
QImage ToQImage(const Picture& picture);
/// A picture of the image's pixels; alpha is composited over white, as the
/// picture model has no alpha. An empty picture for a null image.
Picture FromQImage(const QImage& image);

}  // namespace lp
