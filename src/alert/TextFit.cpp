#include "alert/TextFit.h"

#include <QFont>
#include <QPaintDevice>

#include <algorithm>

namespace TextFit {

QFont withPixelSize(const QFont &font, qreal pixels, const QPaintDevice *device)
{
    QFont sized(font);
    const qreal dpi = device ? qreal(device->logicalDpiY()) : 96.0;
    sized.setPointSizeF(pixels * 72.0 / dpi);
    return sized;
}

qreal shrinkFactor(qreal natural, qreal available, qreal minimumScale)
{
    if (natural <= available || natural <= 0)
        return 1.0;
    return std::clamp(available / natural, minimumScale, 1.0);
}

} // namespace TextFit
