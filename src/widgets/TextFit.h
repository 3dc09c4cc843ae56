#pragma once

#include <QtGlobal>

#include <functional>

class QFont;
class QPaintDevice;

// Helpers for one line of text that first shrinks to fit and only then is cut.
namespace TextFit {

// `font` at a size of `pixels` logical pixels as painted on `device`. Qt takes
// only whole pixel sizes, so the size goes in as points at the device's
// resolution, which keeps sizes such as 19.5 exact.
QFont withPixelSize(const QFont &font, qreal pixels, const QPaintDevice *device);
// The size of `font` in logical pixels on `device`, as exactly as it was set.
qreal pixelSize(const QFont &font, const QPaintDevice *device);

// The largest factor, no less than `minimumScale` and no more than 1, at
// which text fits `available` pixels, to within half a percent; `widthAt`
// tells how wide the text is at a given factor. At `minimumScale` it may
// still not fit: then it is to be cut. Eight measurements at most.
qreal fittingScale(
    const std::function<qreal(qreal scale)> &widthAt, qreal available, qreal minimumScale);

} // namespace TextFit
