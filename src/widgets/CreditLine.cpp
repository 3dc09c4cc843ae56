#include "widgets/CreditLine.h"

#include "widgets/AccessibleRole.h"
#include "widgets/TextFit.h"

#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {
// Never shrink the text below half its size; past that, cut it.
constexpr qreal kMinimumScale = 0.5;

// Drawn by hand, the line would be a blank pane to a screen reader: show it
// as a link that can be pressed, named after the maker, the whole line as
// its description.
class AccessibleCreditLine : public QAccessibleWidget
{
public:
    explicit AccessibleCreditLine(CreditLine *line)
        : QAccessibleWidget(line, QAccessible::Link)
    { }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return line()->linkText();
        if (kind == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return line()->wholeText();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            line()->openLink();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    CreditLine *line() const { return static_cast<CreditLine *>(widget()); }
};

} // namespace

CreditLine::CreditLine(
    const QFont &font, const QColor &textColor, const QColor &linkColor, QWidget *parent)
    : QWidget(parent)
    , m_textFont(font)
    , m_textColor(textColor)
    , m_linkColor(linkColor)
{
    AccessibleRole::install("CreditLine",
        [](QWidget *line) { return new AccessibleCreditLine(static_cast<CreditLine *>(line)); });
    setObjectName(u"creditLine"_s);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QUrl CreditLine::makerUrl()
{
    return QUrl(u"http://quillmere.example/"_s);
}

void CreditLine::setTextFont(const QFont &font)
{
    if (font == m_textFont)
        return;
    m_textFont = font;
    layOutAgain();
}

qreal CreditLine::fontSize() const
{
    return TextFit::pixelSize(m_textFont, this);
}

void CreditLine::setColours(const QColor &textColor, const QColor &linkColor)
{
    m_textColor = textColor;
    m_linkColor = linkColor;
    layOutAgain();
}

QList<CreditLine::Text> CreditLine::texts(qreal scale) const
{
    QFont regular = TextFit::withPixelSize(m_textFont, fontSize() * scale, this);
    regular.setWeight(QFont::Normal);
    QFont link(regular);
    link.setWeight(QFont::DemiBold);
    return {
        { tr("Thoughtful software"), regular, m_textColor, false },
        { linkText(), link, m_linkColor, true },
        { tr("Crafted with care"), regular, m_textColor, false },
    };
}

QString CreditLine::linkText() const
{
    //: The maker's name, a link to the maker's web site.
    return tr("Quillmere");
}

QString CreditLine::wholeText() const
{
    QStringList parts;
    for (const Text &text : texts(1.0))
        parts.append(text.text);
    return parts.join(u' ');
}

void CreditLine::openLink() const
{
    QDesktopServices::openUrl(makerUrl());
}

QList<CreditLine::Piece> CreditLine::pieces() const
{
    // Fitting the line takes a dozen or more measurements: made once for each
    // size, text and font, not at every paint and pointer move.
    if (!m_pieces || m_laidOutWidth != width() || m_laidOutHeight != height())
        m_pieces = layOut();
    m_laidOutWidth = width();
    m_laidOutHeight = height();
    return *m_pieces;
}

void CreditLine::layOutAgain()
{
    m_pieces.reset();
    updateGeometry();
    update();
}

QList<CreditLine::Piece> CreditLine::layOut() const
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
        if (piece.isLink && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = piece.rect.toAlignedRect();
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
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
        openLink();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CreditLine::leaveEvent(QEvent *event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void CreditLine::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        openLink();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CreditLine::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void CreditLine::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CreditLine::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange)
        layOutAgain();
    QWidget::changeEvent(event);
}
