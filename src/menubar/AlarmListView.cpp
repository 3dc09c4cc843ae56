#include "menubar/AlarmListView.h"

#include "menubar/AbstractLoginItem.h"
#include "menubar/AlarmRow.h"
#include "model/Calendar.h"
#include "model/Clock.h"
#include "model/RingingAlarm.h"
#include "store/AlarmStore.h"
#include "widgets/AccessibleRole.h"
#include "widgets/CreditLine.h"
#include "widgets/FittedLabel.h"
#include "widgets/LabelText.h"
#include "widgets/Look.h"
#include "widgets/ShadedPanel.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimeEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kPadding = 14;
constexpr int kColumnSpacing = 12;
constexpr int kRowSpacing = 6;
constexpr qreal kFormShade = 0.05;

template<typename Control>
Control *smallControl(Control *control)
{
    QFont font = control->font();
    font.setPointSizeF(font.pointSizeF() * Look::kSmallTextScale);
    control->setFont(font);
    return control;
}

// The locale's own short time format, cut down to hours and minutes where the
// locale also shows seconds.
QString hoursAndMinutesFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    for (const QString &seconds : { u":ss"_s, u".ss"_s, u":s"_s, u".s"_s })
        format.remove(seconds);
    return format;
}

// The event tells only that the window's activation changed; whether it is
// active now is read from the window.
void tellActivationChanged(QWidget *window)
{
    QAccessible::State changed;
    changed.active = true;
    QAccessibleStateChangeEvent event(window, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace

AlarmListView::AlarmListView(AlarmStore &store, AbstractLoginItem &loginItem, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_loginItem(loginItem)
{
    // To a screen reader the window is the application's frame, named by its
    // title, whether it opens as a popup, a frameless window or an ordinary one:
    // Qt shows a plain top-level widget as a filler.
    AccessibleRole::install("AlarmListView", QAccessible::Window);
    setObjectName(u"alarmListView"_s);
    setWindowTitle(tr("Brisvane"));

    auto *title = new QLabel(tr("Brisvane"), this);
    title->setObjectName(u"title"_s);
    title->setTextFormat(Qt::PlainText);
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);

    m_emptyText = new QLabel(tr("No alarms set."), this);
    m_emptyText->setObjectName(u"emptyText"_s);
    m_emptyText->setTextFormat(Qt::PlainText);
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->setContentsMargins(0, 8, 0, 8);

    m_rows = new QWidget;
    m_rows->setObjectName(u"alarmRows"_s);
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(kRowSpacing);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(u"alarmList"_s);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setWidget(m_rows);
    // Tab goes to the rows' controls, not to the list around them; the list
    // still scrolls to the control that has the focus.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    // The rows sit on the window's own background.
    m_rows->setAutoFillBackground(false);
    m_scrollArea->viewport()->setAutoFillBackground(false);

    auto *divider = new QFrame(this);
    divider->setObjectName(u"divider"_s);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto *column = new QWidget(this);
    column->setFixedWidth(kWidth);
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    columnLayout->setSpacing(kColumnSpacing);
    columnLayout->addWidget(title);
    columnLayout->addWidget(makeSaveNotice());
    columnLayout->addWidget(makeRingingBanner());
    columnLayout->addWidget(makeForm());
    columnLayout->addWidget(m_emptyText);
    columnLayout->addWidget(m_scrollArea);
    columnLayout->addWidget(divider);
    columnLayout->addWidget(makeFooter());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window is as tall as its content and no taller.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(column);
    layout->addWidget(makeCreditBand());

    applyColours();
    connect(&m_store, &AlarmStore::saveErrorChanged, this, &AlarmListView::updateSaveNotice);
    updateSaveNotice();
    connect(&m_store, &AlarmStore::ringingChanged, this, &AlarmListView::updateRingingBanner);
    updateRingingBanner();
    connect(&m_store, &AlarmStore::alarmsChanged, this, &AlarmListView::rebuildList);
    // The rows say "today" and "tomorrow": of the day they are shown on.
    connect(&m_store, &AlarmStore::dayChanged, this, &AlarmListView::rebuildList);
    rebuildList();
    // Typing goes to the label first; the time is set with the arrows or a click.
    m_labelEdit->setFocus();
}

QWidget *AlarmListView::makeSaveNotice()
{
    // The one failure the user must hear of: alarms that are not saved are
    // gone at the next start.
    m_saveNotice = new FittedLabel({}, {}, Look::kSmallTextScale, this);
    m_saveNotice->setObjectName(u"saveNotice"_s);
    m_saveNotice->setAlignment(Qt::AlignLeft);
    QFont bold = font();
    bold.setBold(true);
    m_saveNotice->setTextFont(bold);
    return m_saveNotice;
}

void AlarmListView::updateSaveNotice()
{
    const QString error = m_store.saveError();
    m_saveNotice->setVisible(!error.isEmpty());
    //: %1 is the system's reason, such as "No space left on device".
    const QString text
        = tr("Alarms could not be saved: %1; they ring while Brisvane runs").arg(error);
    m_saveNotice->setText(text);
    m_saveNotice->setToolTip(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

QWidget *AlarmListView::makeRingingBanner()
{
    m_ringingBanner = new ShadedPanel(Look::kCornerRadius, kFormShade, this);
    m_ringingBanner->setObjectName(u"ringingBanner"_s);
    m_ringingText
        = new FittedLabel({}, palette().color(QPalette::WindowText), 1.0, m_ringingBanner);
    m_ringingText->setObjectName(u"ringingText"_s);
    m_ringingText->setAlignment(Qt::AlignLeft);
    QFont bold = font();
    bold.setBold(true);
    m_ringingText->setTextFont(bold);
    // The alert on screen, answered as with its own buttons: for whoever
    // cannot reach them, since the alert never takes the keyboard.
    m_snoozeButton = new QPushButton(tr("Snooze 5 min"), m_ringingBanner);
    m_snoozeButton->setObjectName(u"snoozeButton"_s);
    m_snoozeButton->setAutoDefault(false);
    connect(m_snoozeButton, &QPushButton::clicked, &m_store, &AlarmStore::snoozeCurrent);
    m_dismissButton = new QPushButton(tr("Dismiss"), m_ringingBanner);
    m_dismissButton->setObjectName(u"dismissButton"_s);
    m_dismissButton->setAutoDefault(false);
    connect(m_dismissButton, &QPushButton::clicked, &m_store, &AlarmStore::dismissCurrent);

    auto *layout = new QHBoxLayout(m_ringingBanner);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->addWidget(m_ringingText, 1, Qt::AlignVCenter);
    layout->addWidget(m_snoozeButton, 0, Qt::AlignVCenter);
    layout->addWidget(m_dismissButton, 0, Qt::AlignVCenter);
    return m_ringingBanner;
}

void AlarmListView::updateRingingBanner()
{
    const QList<RingingAlarm> &ringing = m_store.ringing();
    m_ringingBanner->setVisible(!ringing.isEmpty());
    if (ringing.isEmpty())
        return;
    const RingingAlarm &shown = ringing.first();
    const QString text = LabelText::joined(shown.label, Calendar::shortTime(shown.scheduledFor));
    m_ringingText->setText(text);
    m_ringingBanner->setAccessibleName(tr("Ringing: %1").arg(text));
}

QWidget *AlarmListView::makeForm()
{
    auto *form = new ShadedPanel(Look::kCornerRadius, kFormShade, this);
    form->setObjectName(u"form"_s);

    m_timeEdit = new QTimeEdit(form);
    m_timeEdit->setObjectName(u"timeEdit"_s);
    m_timeEdit->setAccessibleName(tr("Time"));
    m_timeEdit->setDisplayFormat(hoursAndMinutesFormat(locale()));
    m_timeEdit->setTime(Calendar::timeOfDay(defaultNewTime(m_store.clock())));

    m_labelEdit = new QLineEdit(form);
    m_labelEdit->setObjectName(u"labelEdit"_s);
    m_labelEdit->setPlaceholderText(tr("Label (optional)"));
    // The field has no label of its own: its placeholder says what it is.
    m_labelEdit->setAccessibleName(m_labelEdit->placeholderText());

    m_repeatDaily = new QCheckBox(tr("Repeat daily"), form);
    m_repeatDaily->setObjectName(u"repeatDaily"_s);

    m_addButton = new QPushButton(tr("Add Alarm"), form);
    m_addButton->setObjectName(u"addButton"_s);
    m_addButton->setDefault(true);
    connect(m_addButton, &QPushButton::clicked, this, &AlarmListView::addAlarm);

    auto *timeAndLabel = new QHBoxLayout;
    timeAndLabel->addWidget(m_timeEdit, 0, Qt::AlignVCenter);
    timeAndLabel->addWidget(m_labelEdit, 1, Qt::AlignVCenter);

    auto *repeatAndAdd = new QHBoxLayout;
    repeatAndAdd->addWidget(m_repeatDaily, 0, Qt::AlignVCenter);
    repeatAndAdd->addStretch();
    repeatAndAdd->addWidget(m_addButton, 0, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(form);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    layout->addLayout(timeAndLabel);
    layout->addLayout(repeatAndAdd);
    return form;
}

QWidget *AlarmListView::makeFooter()
{
    auto *footer = new QWidget(this);
    footer->setObjectName(u"footer"_s);

    m_testAlertButton = smallControl(new QPushButton(tr("Test Alert"), footer));
    m_testAlertButton->setObjectName(u"testAlertButton"_s);
    m_testAlertButton->setAutoDefault(false);
    connect(m_testAlertButton, &QPushButton::clicked, this, &AlarmListView::testAlert);

    m_openAtLogin = smallControl(new QCheckBox(tr("Open at login"), footer));
    m_openAtLogin->setObjectName(u"openAtLogin"_s);
    m_openAtLogin->setChecked(m_loginItem.status() == AbstractLoginItem::Status::Enabled);
    // Connected only now: the status read above is the box's first value, not
    // a change to act on.
    connect(m_openAtLogin, &QCheckBox::toggled, this, &AlarmListView::openAtLoginChanged);

    m_quitButton = smallControl(new QPushButton(tr("Quit"), footer));
    m_quitButton->setObjectName(u"quitButton"_s);
    m_quitButton->setAutoDefault(false);
    connect(m_quitButton, &QPushButton::clicked, qApp, &QCoreApplication::quit);

    auto *layout = new QHBoxLayout(footer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_testAlertButton, 0, Qt::AlignVCenter);
    layout->addWidget(m_openAtLogin, 0, Qt::AlignVCenter);
    layout->addStretch();
    layout->addWidget(m_quitButton, 0, Qt::AlignVCenter);
    return footer;
}

QWidget *AlarmListView::makeCreditBand()
{
    auto *band = new ShadedPanel(0, Look::kShade, this);
    band->setObjectName(u"creditBand"_s);
    band->setFixedWidth(kWidth);
    m_creditLine
        = new CreditLine(font(), Look::secondaryText(palette()), Look::linkText(palette()), band);
    m_creditLine->setObjectName(u"creditLine"_s);
    m_creditLine->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // In the window the link is one more stop for Tab.
    m_creditLine->setFocusPolicy(Qt::TabFocus);
    auto *layout = new QHBoxLayout(band);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->addWidget(m_creditLine, 0, Qt::AlignCenter);
    return band;
}

Moment AlarmListView::defaultNewTime(const Clock &clock)
{
    return Calendar::roundedUpToWholeHour(clock.now() + 3600);
}

void AlarmListView::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // A popup has no frame of its own: draw a hairline so its edge shows on
    // a desktop of the same colour.
    if (windowType() != Qt::Popup)
        return;
    QPainter painter(this);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.3f);
    // One logical pixel wide and wholly inside the edge, on all four sides
    // alike at any scale: an integer rectangle's right and bottom lines fall
    // a device pixel short of the edge at a scale of 2.
    painter.setPen(QPen(edge, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void AlarmListView::applyColours()
{
    // Qt's own placeholder grey reads at 4:1 on a light field: too faint.
    QPalette fieldPalette = m_labelEdit->palette();
    fieldPalette.setColor(QPalette::PlaceholderText, Look::secondaryText(palette()));
    m_labelEdit->setPalette(fieldPalette);
    QPalette emptyPalette = m_emptyText->palette();
    emptyPalette.setColor(QPalette::WindowText, Look::secondaryText(palette()));
    m_emptyText->setPalette(emptyPalette);
    m_ringingText->setColor(palette().color(QPalette::WindowText));
    m_saveNotice->setColor(palette().color(QPalette::WindowText));
    m_creditLine->setColours(Look::secondaryText(palette()), Look::linkText(palette()));
}

void AlarmListView::changeEvent(QEvent *event)
{
    // The desktop went dark or light while the window was open: the colours
    // derived from its palette follow (each row follows its own).
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

void AlarmListView::showEvent(QShowEvent *event)
{
    // Hidden since another day, perhaps in another zone.
    if (!event->spontaneous())
        rebuildList();
    QWidget::showEvent(event);
    // Qt tells assistive technology that a popup is active only once it has
    // the focus, and never that it is no longer: opened again, it seems the
    // same window as before, still active, and a screen reader says nothing.
    // It is told as any other window is: active before the focus, inactive
    // once hidden.
    if (windowType() == Qt::Popup)
        tellActivationChanged(this);
    // A popup closed with no other window to take the focus leaves it where
    // it was, so opening the popup again moves no focus, and Qt tells nothing.
    if (QWidget *focused = focusWidget(); focused && focused == QApplication::focusWidget()) {
        QAccessibleEvent focus(focused, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void AlarmListView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (windowType() == Qt::Popup)
        tellActivationChanged(this);
}

void AlarmListView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Return presses the button, switch or box that has the focus, as
        // Space does; anywhere else (the time, the label) it adds the alarm.
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()))
            button->animateClick();
        else
            m_addButton->click();
        return;
    case Qt::Key_Escape:
        // Closes the window however it was opened: a popup, the frameless
        // window that takes the keyboard, an ordinary window. Brisvane runs on.
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void AlarmListView::addAlarm()
{
    // The hour and minute as picked: made into a moment on today first, a
    // time that today skips (02:30 on the day the clocks go forward) would
    // become another.
    const auto recurrence
        = m_repeatDaily->isChecked() ? AlarmStore::Recurrence::Daily : AlarmStore::Recurrence::Once;
    m_store.add(m_timeEdit->time(), m_labelEdit->text(), recurrence);
    m_labelEdit->clear();
}

void AlarmListView::testAlert()
{
    RingingAlarm test;
    test.id = QUuid::createUuid();
    //: The label of the alert that "Test Alert" shows.
    test.label = tr("Test");
    test.scheduledFor = m_store.clock().now();
    m_store.ring(test);
}

void AlarmListView::openAtLoginChanged(bool on)
{
    // A refusal is not reported: the box shows what the service says instead.
    if (on)
        static_cast<void>(m_loginItem.registerItem());
    else
        static_cast<void>(m_loginItem.unregisterItem());
    // Setting a different value comes straight back here with that value, so
    // a refused registration is followed by an unregistration.
    m_openAtLogin->setChecked(m_loginItem.status() == AbstractLoginItem::Status::Enabled);
}

QList<AlarmRow *> AlarmListView::rows() const
{
    QList<AlarmRow *> rows;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto *row = qobject_cast<AlarmRow *>(m_rowsLayout->itemAt(i)->widget()))
            rows.append(row);
    }
    return rows;
}

void AlarmListView::rebuildList()
{
    // Someone on the keyboard who switches or deletes an alarm stays where
    // they were: on the same control of the same alarm, or else of the row
    // that took its place.
    const QList<AlarmRow *> oldRows = rows();
    QWidget *focused = focusWidget();
    qsizetype focusedIndex = -1;
    for (qsizetype i = 0; focused && i < oldRows.size(); ++i) {
        if (oldRows.at(i)->isAncestorOf(focused))
            focusedIndex = i;
    }
    const QUuid focusedAlarm = focusedIndex >= 0 ? oldRows.at(focusedIndex)->alarm().id : QUuid();
    const QString focusedControl = focusedIndex >= 0 ? focused->objectName() : QString();

    // The old rows may be the very sender of this change (a switch or a bin
    // button mid-click), so they leave the window now and are freed later.
    for (AlarmRow *row : oldRows) {
        m_rowsLayout->removeWidget(row);
        row->hide();
        row->setParent(nullptr);
        row->deleteLater();
    }

    for (const Alarm &alarm : m_store.sortedAlarms()) {
        auto *row = new AlarmRow(m_store, alarm, m_rows);
        m_rowsLayout->addWidget(row);
        row->show();
    }

    const bool empty = m_store.alarms().isEmpty();
    m_emptyText->setVisible(empty);
    m_scrollArea->setVisible(!empty);

    // As tall as the rows, up to a limit past which the list scrolls; and
    // no taller than lets the window fit the screen's free area, at any
    // scale (at twice the size, a 1280x800 screen holds 400 points).
    m_rowsLayout->activate();
    m_scrollArea->setFixedHeight(std::min(m_rows->sizeHint().height(), kMaximumListHeight));
    if (const QScreen *shownOn = screen(); shownOn && !empty) {
        layout()->activate();
        // Room too for the gap to the tray's panel the window opens from.
        const int excess
            = sizeHint().height() - (shownOn->availableGeometry().height() - kScreenMargin);
        if (excess > 0)
            m_scrollArea->setFixedHeight(
                std::max(m_scrollArea->height() - excess, kLeastListHeight));
    }

    orderTabStops();
    if (focusedIndex < 0)
        return;
    const QList<AlarmRow *> newRows = rows();
    if (newRows.isEmpty()) {
        // The list is gone: on to what follows it.
        m_testAlertButton->setFocus(Qt::OtherFocusReason);
        return;
    }
    AlarmRow *row = newRows.at(std::min(focusedIndex, newRows.size() - 1));
    for (AlarmRow *candidate : newRows) {
        if (candidate->alarm().id == focusedAlarm)
            row = candidate;
    }
    if (auto *control = row->findChild<QWidget *>(focusedControl))
        control->setFocus(Qt::OtherFocusReason);
}

void AlarmListView::orderTabStops()
{
    QList<QWidget *> stops { m_snoozeButton, m_dismissButton, m_timeEdit, m_labelEdit,
        m_repeatDaily, m_addButton };
    for (AlarmRow *row : rows()) {
        for (QWidget *child : row->findChildren<QWidget *>()) {
            if (child->focusPolicy() & Qt::TabFocus)
                stops.append(child);
        }
    }
    stops << m_testAlertButton << m_openAtLogin << m_quitButton << m_creditLine;
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops.at(i - 1), stops.at(i));
}
