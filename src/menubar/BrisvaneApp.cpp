#include "menubar/BrisvaneApp.h"

#include "menubar/AbstractTray.h"
#include "menubar/AlarmListView.h"
#include "menubar/PopupPlacement.h"
#include "store/AlarmStore.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

// A click on the item closes the open window before the item hears of it;
// the item's own activation follows within this time.
constexpr int kSameClickMilliseconds = 300;

} // namespace

BrisvaneApp::BrisvaneApp(AlarmStore &store, AbstractLoginItem &loginItem, AbstractTray &tray,
    TrayWindow trayWindow, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_loginItem(loginItem)
    , m_tray(tray)
    , m_trayWindow(trayWindow)
{
    // The open popup holds the pointer, so an alert that comes up in front of
    // it would lose its first click to closing the popup: close it now.
    connect(&store, &AlarmStore::ringingChanged, this, [this] {
        if (isTrayWindowOpen() && m_trayWindow == TrayWindow::Popup)
            m_window->hide();
    });

    connect(&tray, &AbstractTray::activated, this, &BrisvaneApp::toggleWindow);
    connect(&tray, &AbstractTray::openRequested, this, [this] {
        m_clickedAt = {};
        showWindow();
    });
    connect(&tray, &AbstractTray::quitRequested, this, &QCoreApplication::quit);
    connect(&tray, &AbstractTray::shownChanged, this, [this] {
        if (hasTray())
            m_trayWait.stop();
    });

    m_trayWait.setInterval(1000);
    connect(&m_trayWait, &QTimer::timeout, this, [this] {
        if (hasTray()) {
            m_trayWait.stop();
        } else if (--m_secondsLeft <= 0) {
            m_trayWait.stop();
            showWindow();
        }
    });
}

BrisvaneApp::~BrisvaneApp() = default;

AlarmListView *BrisvaneApp::window()
{
    if (!m_window) {
        m_window = std::make_unique<AlarmListView>(m_store, m_loginItem);
        m_window->setWindowIcon(bellIcon());
        m_window->installEventFilter(this);
    }
    return m_window.get();
}

bool BrisvaneApp::isTrayWindowOpen() const
{
    return m_window && m_window->isVisible() && m_window->windowType() != Qt::Window;
}

QIcon BrisvaneApp::bellIcon()
{
    QIcon icon;
    for (int size : { 16, 22, 32, 44, 64 })
        icon.addFile(u":/brisvane/icons/bell-badge-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

bool BrisvaneApp::hasTray()
{
    if (m_tray.isShown()) {
        m_hadTray = true;
        return true;
    }
    return false;
}

void BrisvaneApp::start(Start start)
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

void BrisvaneApp::waitForTray(int seconds)
{
    m_secondsLeft = seconds;
    m_trayWait.start();
}

void BrisvaneApp::showWindow()
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

void BrisvaneApp::toggleWindow(QPoint at)
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
    m_clickedAt = at;
    showWindow();
}

void BrisvaneApp::placeByTray()
{
    QRect anchor = m_clickedAt.isNull() ? m_tray.iconGeometry() : QRect(m_clickedAt, QSize(1, 1));
    if (anchor.isEmpty() && m_trayWindow == TrayWindow::Popup)
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    QScreen *screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Told nothing, and unable to trust the pointer: by the top right corner,
    // where trays mostly are.
    const QRect area = screen->availableGeometry();
    if (anchor.isEmpty())
        anchor = QRect(area.topRight(), QSize(1, 1));
    m_window->move(PopupPlacement::topLeft(anchor, m_window->size(), area));
}

bool BrisvaneApp::eventFilter(QObject *watched, QEvent *event)
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
        // The window is the program only where no tray has ever shown it.
        if (!hasTray() && !m_hadTray)
            QCoreApplication::quit();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
