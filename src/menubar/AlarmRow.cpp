#include "menubar/AlarmRow.h"

#include "menubar/ToggleSwitch.h"
#include "model/Calendar.h"
#include "model/Clock.h"
#include "store/AlarmStore.h"
#include "widgets/FittedLabel.h"
#include "widgets/LabelText.h"
#include "widgets/Look.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qreal kTimeScale = 1.6;

bool hasEvenDigits(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(u'0');
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(digit), zero))
            return false;
    }
    return true;
}

// Times in a column line up only if every digit is as wide as the others:
// most sans faces draw them so; where this one does not, take the fixed font.
QFont timeFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * kTimeScale);
    if (hasEvenDigits(font))
        return font;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font.pointSizeF());
    return fixed;
}

QLabel *plainLabel(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    // Labels are the user's own text: never read them as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

} // namespace

void AlarmRow::applyColours()
{
    // Only the time of an alarm that is off stands back; the row is drawn
    // as any other.
    const QColor secondary = Look::secondaryText(palette());
    if (!m_alarm.isEnabled) {
        QPalette timePalette = m_time->palette();
        timePalette.setColor(QPalette::WindowText, secondary);
        m_time->setPalette(timePalette);
    }
    m_details->setColor(secondary);
}

void AlarmRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    ShadedPanel::changeEvent(event);
}

QString AlarmRow::details(const Alarm &alarm, Moment now)
{
    // Each state is one text to translate, separator and all: a language may
    // well put the date first.
    QString state;
    if (alarm.isSnooze)
        state = tr("Snoozed");
    else if (alarm.repeatsDaily)
        state = tr("Every day");
    else if (!alarm.isEnabled)
        state = tr("Once · finished");
    else if (Calendar::isDateInToday(alarm.fireDate, now))
        state = tr("Once · today");
    else if (Calendar::isDateInTomorrow(alarm.fireDate, now))
        state = tr("Once · tomorrow");
    else
        //: %1 is the date in the locale's abbreviated style, such as "Jan 9, 2026".
        state = tr("Once · %1").arg(Calendar::abbreviatedDate(alarm.fireDate));
    return LabelText::joined(alarm.label, state);
}

AlarmRow::AlarmRow(AlarmStore &store, const Alarm &alarm, QWidget *parent)
    : ShadedPanel(Look::kCornerRadius, Look::kShade, parent)
    , m_store(store)
    , m_alarm(alarm)
{
    setObjectName(u"alarmRow"_s);

    const QString shortTime = Calendar::shortTime(alarm.fireDate);
    // What a screen reader names the alarm by, on the switch and the bin.
    const QString name
        = alarm.label.isEmpty() ? shortTime : shortTime % u' ' % LabelText::isolated(alarm.label);

    auto *time = plainLabel(shortTime, u"time"_s, this);
    time->setFont(timeFont(font()));
    m_time = time;

    // One line, cut at the end where the label is long: the switch and the
    // bin stay in view whatever the label; the whole line is in the tooltip.
    const QString detailsText = AlarmRow::details(alarm, store.clock().now());
    auto *details = new FittedLabel(detailsText, {}, 1.0, this);
    details->setObjectName(u"details"_s);
    m_details = details;
    applyColours();
    details->setAlignment(Qt::AlignLeft);
    QFont caption = font();
    caption.setPointSizeF(font().pointSizeF() * Look::kSmallTextScale);
    details->setTextFont(caption);
    // A tooltip that looks like markup is read as markup: hand it over as
    // text already made safe.
    setToolTip(Qt::convertFromPlainText(shortTime % u' ' % detailsText, Qt::WhiteSpaceNormal));

    auto *toggle = new ToggleSwitch(this);
    toggle->setObjectName(u"enabledSwitch"_s);
    toggle->setChecked(alarm.isEnabled);
    //: The switch of an alarm that is on; %1 is the alarm's time and label.
    const QString onName = tr("On, %1").arg(name);
    //: The switch of an alarm that is off; %1 is the alarm's time and label.
    const QString offName = tr("Off, %1").arg(name);
    const auto nameSwitch
        = [toggle, onName, offName](bool on) { toggle->setAccessibleName(on ? onName : offName); };
    nameSwitch(alarm.isEnabled);
    connect(toggle, &ToggleSwitch::toggled, this, nameSwitch);
    connect(toggle, &ToggleSwitch::clicked, this,
        [this](bool checked) { m_store.setEnabled(checked, m_alarm); });

    auto *remove = new QToolButton(this);
    remove->setObjectName(u"deleteButton"_s);
    remove->setAutoRaise(true);
    QIcon bin;
    bin.addFile(u":/brisvane/icons/trash-16.png"_s, QSize(16, 16));
    bin.addFile(u":/brisvane/icons/trash-32.png"_s, QSize(32, 32));
    remove->setIcon(bin);
    remove->setIconSize({ 16, 16 });
    remove->setToolTip(tr("Delete alarm"));
    //: The bin button for a screen reader; %1 is the alarm's time and label.
    remove->setAccessibleName(tr("Delete alarm %1").arg(name));
    remove->setCursor(Qt::PointingHandCursor);
    connect(remove, &QToolButton::clicked, this, [this] { m_store.deleteAlarm(m_alarm); });

    auto *text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(time);
    text->addWidget(details);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    // The text takes the room the controls leave, and no more.
    row->addLayout(text, 1);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    row->addWidget(remove, 0, Qt::AlignVCenter);
}
