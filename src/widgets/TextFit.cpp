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

qreal pixelSize(const QFont &font, const QPaintDevice *device)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    const qreal dpi = device ? qreal(device->logicalDpiY()) : 96.0;
    return font.pointSizeF() * dpi / 72.0;
}

qreal fittingScale(
    const std::function<qreal(qreal scale)> &widthAt, qreal available, qreal minimumScale)
{
    const auto fits = [&](qreal scale) { return widthAt(scale) <= available; };
    const qreal fullWidth = widthAt(1.0);
    if (minimumScale >= 1.0 || fullWidth <= available)
        return 1.0;
    if (!fits(minimumScale))
        return minimumScale;
    // Text rendered at whole pixel sizes grows in steps, not in proportion to
    // the scale: narrow down between a scale that fits and one that does
    // not, first where the proportion points, and keep the largest that fits.
    qreal fitting = minimumScale;
    qreal tooWide = 1.0;
    qreal guess = std::clamp(available / fullWidth, fitting, tooWide);
    for (int attempt = 0; attempt < 6 && tooWide - fitting > 0.005; ++attempt) {
        if (guess <= fitting || guess >= tooWide)
            guess = (fitting + tooWide) / 2;
        (fits(guess) ? fitting : tooWide) = guess;
        guess = (fitting + tooWide) / 2;
    }
    return fitting;
}

} // namespace TextFit
