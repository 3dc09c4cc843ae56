#include "widgets/FittedLabel.h"

#include "widgets/AccessibleRole.h"
#include "widgets/TextFit.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace { } // namespace

FittedLabel::FittedLabel(
    const QString &text, const QColor &color, qreal minimumScale, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_color(color)
    , m_minimumScale(minimumScale)
    , m_font(font())
{
    // Drawn by hand, the text would be a blank pane to a screen reader.
    AccessibleRole::install("FittedLabel", QAccessible::StaticText);
    setAccessibleName(singleLine());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FittedLabel::setText(const QString &text)
{
    m_text = text;
    setAccessibleName(singleLine());
    updateGeometry();
    update();
}

void FittedLabel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void FittedLabel::setTextFont(const QFont &font)
{
    m_font = font;
    updateGeometry();
    update();
}

QString FittedLabel::singleLine() const
{
    QString line = m_text;
    for (QChar &c : line) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return line;
}

QFont FittedLabel::shownFont() const
{
    const QString line = singleLine();
    const auto scaled = [this](qreal scale) {
        QFont font(m_font);
        font.setPointSizeF(m_font.pointSizeF() * scale);
        return font;
    };
    const qreal scale = TextFit::fittingScale(
        [&](qreal factor) { return QFontMetricsF(scaled(factor), this).horizontalAdvance(line); },
        width(), m_minimumScale);
    return scale == 1.0 ? m_font : scaled(scale);
}

QString FittedLabel::shownText() const
{
    return QFontMetricsF(shownFont(), this).elidedText(singleLine(), Qt::ElideRight, width());
}

void FittedLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QSize FittedLabel::minimumSizeHint() const
{
    return { 0, sizeHint().height() };
}

QSize FittedLabel::sizeHint() const
{
    const QFontMetricsF metrics(m_font, this);
    return { int(std::ceil(metrics.horizontalAdvance(singleLine()))),
        int(std::ceil(metrics.height())) };
}

void FittedLabel::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = shownFont();
    const QString text = shownText();
    const QFontMetricsF metrics(font, this);
    painter.setFont(font);
    painter.setPen(m_color);
    // drawText at a point takes the string as it is: no markup, no wrapping.
    const qreal free = width() - metrics.horizontalAdvance(text);
    const qreal x = m_alignment & Qt::AlignLeft ? 0
        : m_alignment & Qt::AlignRight          ? free
                                                : free / 2;
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(x, baseline), text);
}
