#include "menubar/BrisvaneApp.h"

#include "menubar/AlarmListView.h"
#include "menubar/PopupPlacement.h"
#include "store/AlarmStore.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

// A click on the icon closes the open popup before the icon hears of it; the
// icon's own activation follows within this time.
constexpr int kSameClickMilliseconds = 300;

} // namespace

BrisvaneApp::BrisvaneApp(AlarmStore &store, AbstractLoginItem &loginItem, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_loginItem(loginItem)
{
    // The open popup holds the pointer, so an alert that comes up in front of
    // it would lose its first click to closing the popup: close it now.
    connect(&store, &AlarmStore::ringingChanged, this, [this] {
        if (isPopupOpen())
            m_window->hide();
    });

    m_trayIcon.setIcon(bellIcon());
    m_trayIcon.setToolTip(tr("Brisvane"));
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                toggleWindow();
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

bool BrisvaneApp::isPopupOpen() const
{
    return m_window && m_window->isVisible() && m_window->windowType() == Qt::Popup;
}

QIcon BrisvaneApp::bellIcon()
{
    QIcon icon;
    for (int size : { 16, 22, 32, 44, 64 })
        icon.addFile(u":/brisvane/icons/bell-badge-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

void BrisvaneApp::start()
{
    m_trayIcon.show();
    nameTrayWindow();
    if (!hasTray())
        showWindow();
}

bool BrisvaneApp::hasTray() const
{
    return m_trayIcon.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void BrisvaneApp::nameTrayWindow()
{
    // The icon on an X11 tray is a small window of Qt's own; give it the
    // program's name, as a screen reader or a window list would read it.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"QSystemTrayIconSys"_s) {
            widget->setWindowTitle(tr("Brisvane"));
            widget->setAccessibleName(tr("Brisvane"));
        }
    }
}

void BrisvaneApp::showWindow()
{
    AlarmListView *view = window();
    const bool popup = hasTray();
    const Qt::WindowFlags flags = popup ? Qt::Popup | Qt::FramelessWindowHint : Qt::Window;
    if (view->windowFlags() != flags) {
        view->hide();
        view->setWindowFlags(flags);
    }
    view->adjustSize();
    if (popup)
        placeByIcon();
    view->show();
    view->raise();
    view->activateWindow();
}

void BrisvaneApp::toggleWindow()
{
    if (m_window && m_window->isVisible()) {
        m_window->hide();
        return;
    }
    if (m_sincePopupClosed.isValid() && m_sincePopupClosed.elapsed() < kSameClickMilliseconds)
        return;
    showWindow();
}

void BrisvaneApp::placeByIcon()
{
    QRect anchor = m_trayIcon.geometry();
    if (!anchor.isValid() || anchor.isEmpty())
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_window->move(PopupPlacement::topLeft(anchor, m_window->size(), screen->availableGeometry()));
}

bool BrisvaneApp::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_window || watched != m_window.get())
        return QObject::eventFilter(watched, event);
    const bool popup = m_window->windowType() == Qt::Popup;
    switch (event->type()) {
    case QEvent::Hide:
        if (popup)
            m_sincePopupClosed.start();
        break;
    case QEvent::Resize:
        // The window grows and shrinks with its list: keep it by the icon and
        // on the screen.
        if (popup && m_window->isVisible())
            placeByIcon();
        break;
    case QEvent::Close:
        // Without a tray the window is the program: closing it quits.
        if (!popup && !QSystemTrayIcon::isSystemTrayAvailable())
            QCoreApplication::quit();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
