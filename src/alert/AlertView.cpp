#include "alert/AlertView.h"

#include "alert/CapsuleButton.h"
#include "model/Calendar.h"
#include "widgets/CreditLine.h"
#include "widgets/FittedLabel.h"
#include "widgets/LabelText.h"
#include "widgets/TextFit.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qreal kTitleMinimumScale = 0.4;
constexpr qreal kSubtitleMinimumScale = 0.5;
constexpr qreal kMinimumBorderWidth = 8;
// The least height each of the two flexible spaces keeps, when the content
// already fills the card.
constexpr qreal kMinimumSpacer = 8;

// A rounded sans-serif in the weight nearest the one asked for, or the
// default sans where none is installed.
QFont roundedFont(QFont::Weight weight)
{
    static const bool hasComfortaa = QFontDatabase::families().contains(u"Comfortaa"_s);
    QFont font = hasComfortaa ? QFont(u"Comfortaa"_s) : QApplication::font();
    font.setWeight(weight);
    return font;
}

QPainterPath roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, std::max<qreal>(radius, 0), std::max<qreal>(radius, 0));
    return path;
}

} // namespace

AlertView::Metrics AlertView::Metrics::forHeight(qreal height)
{
    const qreal u = height / 1.1;
    Metrics m;
    m.unit = u;
    m.cornerRadius = 0.06 * u;
    m.borderWidth = std::max(0.04 * u, kMinimumBorderWidth);
    m.columnSpacing = 0.03 * u;
    m.sidePadding = 0.1 * u;
    m.titleFontSize = 0.2 * u;
    m.subtitleFontSize = 0.065 * u;
    m.buttonFontSize = 0.06 * u;
    m.buttonSpacing = 0.06 * u;
    m.creditFontSize = 0.04 * u;
    m.creditPaddingAbove = 0.12 * u;
    m.creditPaddingBelow = 0.07 * u;
    return m;
}

AlertView::AlertView(const RingingAlarm &alarm, Action onSnooze, Action onDismiss, QWidget *parent)
    : QWidget(parent)
    , m_onSnooze(std::move(onSnooze))
    , m_onDismiss(std::move(onDismiss))
    , m_title(new FittedLabel(tr("Brisvane"), darkBlue(), kTitleMinimumScale, this))
    , m_subtitle(new FittedLabel(subtitle(alarm), darkBlue(), kSubtitleMinimumScale, this))
    // Fixed texts of ours, unlike the subtitle: they follow the user's language.
    , m_snoozeButton(new CapsuleButton(tr("Snooze 5 min"), darkBlue(), lightBlue(), this))
    , m_dismissButton(new CapsuleButton(tr("Dismiss"), darkBlue(), lightBlue(), this))
    , m_creditLine(new CreditLine(font(), darkBlue(), lightBlue(), this))
{
    setObjectName(u"alertView"_s);
    m_title->setObjectName(u"title"_s);
    m_subtitle->setObjectName(u"subtitle"_s);
    m_snoozeButton->setObjectName(u"snoozeButton"_s);
    m_dismissButton->setObjectName(u"dismissButton"_s);

    // Each press runs a copy of the action: the action may well drop the
    // panel that holds this view.
    connect(m_snoozeButton, &QAbstractButton::clicked, this, [this] {
        if (Action action = m_onSnooze)
            action();
    });
    connect(m_dismissButton, &QAbstractButton::clicked, this, [this] {
        if (Action action = m_onDismiss)
            action();
    });
    layoutContent();
}

QString AlertView::subtitle(const RingingAlarm &alarm)
{
    return LabelText::joined(alarm.label, Calendar::shortTime(alarm.scheduledFor));
}

QPainterPath AlertView::cardShape() const
{
    return roundedRect(QRectF(rect()), metrics().cornerRadius);
}

void AlertView::resizeEvent(QResizeEvent *event)
{
    layoutContent();
    QWidget::resizeEvent(event);
}

void AlertView::layoutContent()
{
    const Metrics m = metrics();
    const qreal width = this->width();
    const qreal height = this->height();

    m_title->setTextFont(TextFit::withPixelSize(roundedFont(QFont::Black), m.titleFontSize, this));
    m_subtitle->setTextFont(
        TextFit::withPixelSize(roundedFont(QFont::DemiBold), m.subtitleFontSize, this));
    const QFont buttonFont
        = TextFit::withPixelSize(roundedFont(QFont::Bold), m.buttonFontSize, this);
    m_snoozeButton->setTextFont(buttonFont);
    m_dismissButton->setTextFont(buttonFont);
    m_creditLine->setTextFont(TextFit::withPixelSize(font(), m.creditFontSize, this));

    // One column, centred: a flexible space, the title, the subtitle, a
    // second flexible space, the buttons, the credit line with its padding.
    // The two spaces share what the rest leaves free.
    const qreal textWidth = std::max<qreal>(0, width - 2 * m.sidePadding);
    const qreal titleHeight = m_title->sizeHint().height();
    const qreal subtitleHeight = m_subtitle->sizeHint().height();
    const QSize snoozeSize = m_snoozeButton->sizeHint();
    const QSize dismissSize = m_dismissButton->sizeHint();
    const qreal buttonHeight = std::max(snoozeSize.height(), dismissSize.height());
    const qreal creditHeight = m_creditLine->sizeHint().height();
    const qreal content = titleHeight + subtitleHeight + buttonHeight + m.creditPaddingAbove
        + creditHeight + m.creditPaddingBelow + 5 * m.columnSpacing;
    const qreal spacer = std::max(kMinimumSpacer, (height - content) / 2);

    qreal y = spacer + m.columnSpacing;
    m_title->setGeometry(QRectF(m.sidePadding, y, textWidth, titleHeight).toRect());
    y += titleHeight + m.columnSpacing;
    m_subtitle->setGeometry(QRectF(m.sidePadding, y, textWidth, subtitleHeight).toRect());
    y += subtitleHeight + m.columnSpacing + spacer + m.columnSpacing;

    const qreal rowWidth = snoozeSize.width() + m.buttonSpacing + dismissSize.width();
    const qreal rowLeft = (width - rowWidth) / 2;
    m_snoozeButton->setGeometry(QRectF(QPointF(rowLeft, y), snoozeSize).toRect());
    m_dismissButton->setGeometry(
        QRectF(QPointF(rowLeft + snoozeSize.width() + m.buttonSpacing, y), dismissSize).toRect());
    y += buttonHeight + m.columnSpacing + m.creditPaddingAbove;

    m_creditLine->setGeometry(QRectF(m.sidePadding, y, textWidth, creditHeight).toRect());
}

void AlertView::paintEvent(QPaintEvent * /*event*/)
{
    const Metrics m = metrics();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF card(rect());
    painter.fillPath(roundedRect(card, m.cornerRadius), red());

    // The stroke is centred on its path, so the path runs half a border
    // inside the card: the border's outer edge is the card's edge.
    const qreal half = m.borderWidth / 2;
    QPen pen(lightBlue(), m.borderWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.strokePath(
        roundedRect(card.adjusted(half, half, -half, -half), m.cornerRadius - half), pen);
}
