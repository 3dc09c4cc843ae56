#include "widgets/TextFit.h"

#include <QFont>
#include <QPaintDevice>

#include <algorithm>

namespace TextFit {

QFont withPixelSize(const QFont &font, qreal pixels, const QPaintDevice *device)
{
    QFont sized(font);
    const qreal dpi = device ? qreal(device->logicalDpiY()) : 96.0;
    // Below a pixel the text is gone anyway, and Qt refuses sizes of 0.
    sized.setPointSizeF(std::max<qreal>(pixels, 1) * 72.0 / dpi);
    return sized;
}

qreal fittingScale(
    const std::function<qreal(qreal scale)> &widthAt, qreal available, qreal minimumScale)
{
    qreal scale = 1.0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const qreal width = widthAt(scale);
        if (width <= available || scale <= minimumScale)
            return scale;
        // Never the same guess twice: rounded widths can stall the ratio.
        scale = std::max(minimumScale, std::min(scale * available / width, scale - 0.002));
    }
    return scale;
}

} // namespace TextFit
