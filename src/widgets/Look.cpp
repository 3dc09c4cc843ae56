#include "widgets/Look.h"

#include <QColor>
#include <QPalette>

#include <cmath>

namespace {

double luminance(const QColor &colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
        + 0.0722 * linear(rgb.blueF());
}

QColor mixed(const QColor &from, const QColor &to, double amount)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    const auto channel = [amount](float x, float y) { return float(x + (y - x) * amount); };
    return QColor::fromRgbF(channel(a.redF(), b.redF()), channel(a.greenF(), b.greenF()),
        channel(a.blueF(), b.blueF()));
}

// The window's colour under the shade of a panel: the darkest place text
// sits on in a light palette, the lightest in a dark one.
QColor shadedWindow(const QPalette &palette)
{
    return mixed(
        palette.color(QPalette::Window), palette.color(QPalette::WindowText), Look::kShade);
}

} // namespace

namespace Look {

QColor shade(const QPalette &palette, qreal opacity)
{
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(float(opacity));
    return colour;
}

QColor secondaryText(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor behind = shadedWindow(palette);
    // A little margin over the least contrast, for the blending of glyph edges.
    for (double towardWindow = 0.5; towardWindow > 0; towardWindow -= 0.05) {
        const QColor candidate = mixed(text, palette.color(QPalette::Window), towardWindow);
        if (contrast(candidate, behind) >= kLeastContrast + 0.2)
            return candidate;
    }
    return text;
}

QColor linkText(const QPalette &palette)
{
    const QColor behind = shadedWindow(palette);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor accent = palette.color(QPalette::Highlight);
    QColor link = accent;
    // Toward the text colour, which reads best, one step at a time.
    for (double towardText = 0.1; contrast(link, behind) < kLeastContrast + 0.2 && towardText <= 1;
         towardText += 0.1)
        link = mixed(accent, text, towardText);
    return link;
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace Look
