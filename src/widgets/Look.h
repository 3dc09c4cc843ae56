#pragma once

#include <QtGlobal>

class QColor;
class QPalette;

// The window's look, shared by its parts: sizes, shades and the colours
// derived from the desktop's palette, light or dark. The alert keeps colours
// of its own.
namespace Look {

// Captions, the footer's controls: a little smaller than the window's text.
constexpr qreal kSmallTextScale = 0.85;
// Rows, the form and the credit band: rounded panels shaded with the text
// colour, lightly on light and on dark palettes alike.
constexpr qreal kCornerRadius = 6;
constexpr qreal kShade = 0.06;

// The least contrast of any text with what lies behind it.
constexpr double kLeastContrast = 4.5;

// The text colour at `opacity`: a panel's shade.
QColor shade(const QPalette &palette, qreal opacity);

// Text that stands back (captions, the empty list, an alarm that is off):
// the text colour taken as far toward the window's as it can go and still
// read at kLeastContrast on a shaded panel.
QColor secondaryText(const QPalette &palette);

// The link: the palette's accent colour, made darker or lighter where it would
// not read at kLeastContrast on a shaded panel.
QColor linkText(const QPalette &palette);

// The contrast of two opaque colours, as WCAG 2 counts it: 1 to 21.
double contrast(const QColor &a, const QColor &b);

} // namespace Look
