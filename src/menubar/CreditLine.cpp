#include "menubar/CreditLine.h"

#include "alert/TextFit.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {
// Never shrink the text below half its size; past that, cut it.
constexpr qreal kMinimumScale = 0.5;
} // namespace

CreditLine::CreditLine(
    qreal fontSize, const QColor &textColor, const QColor &linkColor, QWidget *parent)
    : QWidget(parent)
    , m_fontSize(fontSize)
    , m_textColor(textColor)
    , m_linkColor(linkColor)
{
    setObjectName(u"creditLine"_s);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QUrl CreditLine::makerUrl()
{
    return QUrl(u"http://quillmere.example/"_s);
}

void CreditLine::setFontSize(qreal fontSize)
{
    if (fontSize == m_fontSize)
        return;
    m_fontSize = fontSize;
    updateGeometry();
    update();
}

QList<CreditLine::Text> CreditLine::texts(qreal scale) const
{
    QFont regular = TextFit::withPixelSize(font(), m_fontSize * scale, this);
    regular.setWeight(QFont::Normal);
    QFont link(regular);
    link.setWeight(QFont::DemiBold);
    return {
        { tr("Thoughtful software"), regular, m_textColor, false },
        { tr("Quillmere"), link, m_linkColor, true },
        { tr("Crafted with care"), regular, m_textColor, false },
    };
}

QList<CreditLine::Piece> CreditLine::pieces() const
{
    const qreal available = width();

    // Only the text shrinks; the gaps between the texts keep their width.
    const qreal gaps = gap() * 2;
    const auto textWidth = [this](const QList<Text> &texts) {
        qreal width = 0;
        for (const Text &text : texts)
            width += QFontMetricsF(text.font, this).horizontalAdvance(text.text);
        return width;
    };
    const qreal scale = TextFit::fittingScale(
        [&](qreal factor) { return textWidth(texts(factor)); }, available - gaps, kMinimumScale);
    const QList<Text> scaled = texts(scale);
    const qreal totalWidth = gaps + textWidth(scaled);

    QList<Piece> result;
    qreal x = std::max<qreal>(0, (available - totalWidth) / 2);
    for (const Text &text : scaled) {
        const QFontMetricsF metrics(text.font, this);
        QString shown = text.text;
        qreal advance = metrics.horizontalAdvance(shown);
        // A little slack: the widths are sums of rounded advances.
        const bool fits = x + advance <= available + 0.01;
        if (!fits) {
            shown = metrics.elidedText(text.text, Qt::ElideRight, available - x);
            if (shown.isEmpty())
                break;
            advance = metrics.horizontalAdvance(shown);
        }
        const qreal height = metrics.height();
        result.append({ shown, text.font, text.color,
            QRectF(x, (this->height() - height) / 2, advance, height), text.isLink });
        if (!fits)
            break;
        x += advance + gap();
    }
    return result;
}

QSize CreditLine::sizeHint() const
{
    qreal width = gap() * 2;
    qreal height = 0;
    for (const Text &text : texts(1.0)) {
        const QFontMetricsF metrics(text.font, this);
        width += metrics.horizontalAdvance(text.text);
        height = std::max(height, metrics.height());
    }
    return { int(std::ceil(width)), int(std::ceil(height)) };
}

QSize CreditLine::minimumSizeHint() const
{
    // The line may be squeezed as narrow as its caller wants: it shrinks, then
    // cuts its text, but it keeps the height of one line.
    return { 0, sizeHint().height() };
}

void CreditLine::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Piece &piece : pieces()) {
        painter.setFont(piece.font);
        painter.setPen(piece.color);
        const qreal baseline = piece.rect.top() + QFontMetricsF(piece.font, this).ascent();
        painter.drawText(QPointF(piece.rect.left(), baseline), piece.text);
    }
}

QRectF CreditLine::linkRect() const
{
    for (const Piece &piece : pieces()) {
        if (piece.isLink)
            return piece.rect;
    }
    return {};
}

void CreditLine::updateCursor(const QPointF &position)
{
    // Only the link shows the pointing hand; elsewhere the line shows
    // whatever pointer its parent shows.
    if (linkRect().contains(position))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CreditLine::mouseMoveEvent(QMouseEvent *event)
{
    updateCursor(event->position());
    QWidget::mouseMoveEvent(event);
}

void CreditLine::mousePressEvent(QMouseEvent *event)
{
    m_pressedOnLink = event->button() == Qt::LeftButton && linkRect().contains(event->position());
    if (m_pressedOnLink)
        event->accept();
    else
        QWidget::mousePressEvent(event);
}

void CreditLine::mouseReleaseEvent(QMouseEvent *event)
{
    // Like any link: it opens on a release over the link that was pressed.
    const bool wasPressed = std::exchange(m_pressedOnLink, false);
    if (wasPressed && event->button() == Qt::LeftButton && linkRect().contains(event->position())) {
        event->accept();
        QDesktopServices::openUrl(makerUrl());
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CreditLine::leaveEvent(QEvent *event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void CreditLine::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange) {
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}
