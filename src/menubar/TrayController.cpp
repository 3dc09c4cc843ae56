#include "menubar/TrayController.h"

#include "menubar/AbstractNotifier.h"
#include "menubar/AbstractTray.h"
#include "menubar/AlarmListView.h"
#include "menubar/PopupPlacement.h"
#include "model/Calendar.h"
#include "model/Clock.h"
#include "store/AlarmStore.h"
#include "widgets/LabelText.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// A click on the item closes the open window before the item hears of it;
// the item's own activation follows within this time.
constexpr int kSameClickMilliseconds = 300;

// The point in Qt's logical coordinates of a point in the screens' device
// pixels, as a tray tells it. A screen keeps its origin in device pixels; only
// its size scales. A tray, or anything else on the session bus, may send any
// point at all: it is first brought onto the nearest screen.
QPoint fromDevicePixels(QPoint at)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QScreen *nearest = nullptr;
    qint64 nearestDistance = 0;
    QPoint onNearest;
    for (QScreen *screen : screens) {
        const QRect native(
            screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
        const QPoint inside(std::clamp(at.x(), native.left(), native.right()),
            std::clamp(at.y(), native.top(), native.bottom()));
        const qint64 distance
            = std::abs(qint64(inside.x()) - at.x()) + std::abs(qint64(inside.y()) - at.y());
        if (!nearest || distance < nearestDistance) {
            nearest = screen;
            nearestDistance = distance;
            onNearest = inside;
        }
    }
    if (!nearest)
        return {};
    const QPoint origin = nearest->geometry().topLeft();
    return origin + (onNearest - origin) / nearest->devicePixelRatio();
}

} // namespace

TrayController::TrayController(AlarmStore &store, AbstractLoginItem &loginItem, AbstractTray &tray,
    AbstractNotifier &notifier, TrayWindow trayWindow, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_loginItem(loginItem)
    , m_tray(tray)
    , m_notifier(notifier)
    , m_trayWindow(trayWindow)
{
    // The open popup holds the pointer, so an alert that comes up in front of
    // it would lose its first click to closing the popup: close it when an
    // alarm rings, but not when one is answered from the window itself.
    connect(&store, &AlarmStore::ringingChanged, this, [this] {
        const qsizetype ringing = m_store.ringing().size();
        if (ringing > std::exchange(m_ringing, ringing) && isTrayWindowOpen()
            && m_trayWindow == TrayWindow::Popup)
            m_window->hide();
    });

    connect(&tray, &AbstractTray::activated, this, &TrayController::toggleWindow);
    // From the menu: where the item was last clicked, if it ever was.
    connect(&tray, &AbstractTray::openRequested, this, [this] {
        m_clickedAt = m_lastClickedAt;
        showWindow();
    });
    connect(&tray, &AbstractTray::quitRequested, this, &QCoreApplication::quit);
    // As the alert's own buttons do, for whoever cannot reach them.
    connect(&tray, &AbstractTray::snoozeRequested, &store, &AlarmStore::snoozeCurrent);
    connect(&tray, &AbstractTray::dismissRequested, &store, &AlarmStore::dismissCurrent);

    for (const auto change :
        { &AlarmStore::alarmsChanged, &AlarmStore::ringingChanged, &AlarmStore::dayChanged })
        connect(&store, change, this, &TrayController::updateTray);
    updateTray();
    connect(&tray, &AbstractTray::shownChanged, this, [this] {
        if (hasTray())
            m_trayDeadline.stop();
    });

    m_trayDeadline.setSingleShot(true);
    connect(&m_trayDeadline, &QTimer::timeout, this, [this] {
        if (!hasTray())
            showWindow();
    });
}

TrayController::~TrayController() = default;

AlarmListView *TrayController::window()
{
    if (!m_window) {
        m_window = std::make_unique<AlarmListView>(m_store, m_loginItem);
        m_window->setWindowIcon(bellIcon());
        m_window->installEventFilter(this);
    }
    return m_window.get();
}

bool TrayController::isTrayWindowOpen() const
{
    return m_window && m_window->isVisible() && m_window->windowType() != Qt::Window;
}

QString TrayController::nextAlarmText(const AlarmStore &store)
{
    const QList<Alarm> sorted = store.sortedAlarms();
    if (sorted.isEmpty())
        return tr("No alarms set.");
    const Alarm &next = sorted.first();
    if (!next.isEnabled)
        return tr("No alarm is on.");
    const Moment now = store.clock().now();
    const QString when = LabelText::joined(next.label, Calendar::shortTime(next.fireDate));
    //: %1 is the alarm's label and time, such as "Dentist · 07:30".
    if (Calendar::isDateInToday(next.fireDate, now))
        return tr("Next: %1 today").arg(when);
    if (Calendar::isDateInTomorrow(next.fireDate, now))
        return tr("Next: %1 tomorrow").arg(when);
    //: %1 is the alarm's label and time, %2 its date in the locale's abbreviated style.
    return tr("Next: %1, %2").arg(when, Calendar::abbreviatedDate(next.fireDate));
}

void TrayController::updateTray()
{
    m_tray.setState(nextAlarmText(m_store), !m_store.ringing().isEmpty());
}

QIcon TrayController::bellIcon()
{
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 44, 48, 64 })
        icon.addFile(u":/brisvane/icons/bell-badge-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

bool TrayController::hasTray() const
{
    return m_tray.isShown();
}

void TrayController::start(Start start)
{
    if (hasTray())
        return;
    if (start == Start::AtLogin)
        waitForTray(kTrayWaitSeconds);
    else if (m_tray.isAwaited())
        waitForTray(kTrayAnswerSeconds);
    else
        showWindow();
}

void TrayController::waitForTray(int seconds)
{
    m_trayDeadline.start(seconds * 1000);
}

void TrayController::showWindow()
{
    AlarmListView *view = window();
    Qt::WindowFlags flags = Qt::Window;
    if (hasTray()) {
        switch (m_trayWindow) {
        case TrayWindow::Popup:
            flags = Qt::Popup | Qt::FramelessWindowHint;
            break;
        case TrayWindow::Focused:
            flags = Qt::Tool | Qt::FramelessWindowHint;
            break;
        }
    }
    if (view->windowFlags() != flags) {
        view->hide();
        view->setWindowFlags(flags);
    }
    view->adjustSize();
    if (flags != Qt::Window)
        placeByTray();
    view->show();
    view->raise();
    view->activateWindow();
}

void TrayController::toggleWindow(QPoint at)
{
    // Some trays send both clicks of a double click.
    const bool repeated
        = m_sinceClicked.isValid() && m_sinceClicked.elapsed() < kSameClickMilliseconds;
    m_sinceClicked.start();
    if (repeated)
        return;
    if (m_window && m_window->isVisible()) {
        m_window->hide();
        return;
    }
    if (m_sinceClosed.isValid() && m_sinceClosed.elapsed() < kSameClickMilliseconds)
        return;
    m_clickedAt = at.isNull() ? at : fromDevicePixels(at);
    // A click that the tray does not place, on an icon that it does not
    // place either, happened where the pointer is: on X11 that can be told.
    if (m_clickedAt.isNull() && m_tray.iconGeometry().isEmpty()
        && m_trayWindow == TrayWindow::Popup)
        m_clickedAt = QCursor::pos();
    if (!m_clickedAt.isNull())
        m_lastClickedAt = m_clickedAt;
    showWindow();
}

void TrayController::placeByTray()
{
    // Not the pointer: after a choice in the tray's menu it lies on the menu.
    QRect anchor = m_clickedAt.isNull() ? m_tray.iconGeometry() : QRect(m_clickedAt, QSize(1, 1));
    QScreen *screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Told nothing, and unable to trust the pointer: by the corner where the
    // tray most likely is, at the right end of the panel that the desktop
    // reserves room for, at the top where it reserves none.
    if (anchor.isEmpty()) {
        const QRect whole = screen->geometry();
        const QRect free = screen->availableGeometry();
        QPoint corner = whole.topRight();
        if (free.bottom() < whole.bottom() && free.top() == whole.top())
            corner = whole.bottomRight();
        else if (free.left() > whole.left() && free.top() == whole.top())
            corner = whole.bottomLeft();
        anchor = QRect(corner, QSize(1, 1));
    }
    m_window->move(PopupPlacement::topLeft(
        anchor, m_window->size(), screen->geometry(), screen->availableGeometry()));
}

void TrayController::tellStillRunning()
{
    if (m_toldStillRunning)
        return;
    m_toldStillRunning = true;
    m_notifier.notify(tr("Brisvane is still running"),
        tr("Your alarms ring with the window closed. To open it again, start Brisvane once "
           "more; \"Quit\" in the window ends it."));
}

bool TrayController::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_window || watched != m_window.get())
        return QObject::eventFilter(watched, event);
    const bool byTray = m_window->windowType() != Qt::Window;
    switch (event->type()) {
    case QEvent::Hide:
        if (byTray)
            m_sinceClosed.start();
        break;
    case QEvent::WindowDeactivate:
        // A click elsewhere, or another window taking the keyboard.
        if (byTray && m_trayWindow != TrayWindow::Popup)
            m_window->hide();
        break;
    case QEvent::Resize:
        // The window grows and shrinks with its list: keep it by the tray and
        // on the screen.
        if (byTray && m_window->isVisible())
            placeByTray();
        break;
    case QEvent::Close:
        // With no tray to open it from, the user may think closing it ended
        // the program and with it the alarms.
        if (!byTray && !hasTray())
            tellStillRunning();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
