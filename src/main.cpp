// Wiring only: the platform services the store runs on are made here, once,
// and handed to the one store of the process.
#include "alert/AlertPresenter.h"
#include "menubar/TrayController.h"
#include "model/SystemClock.h"
#include "platform/AccessibleApplication.h"
#include "platform/AutostartLoginItem.h"
#include "platform/ColorSchemeFollower.h"
#include "platform/DesktopNotifier.h"
#include "platform/DesktopTray.h"
#include "platform/DisplaySession.h"
#include "platform/LogindWakeNotifier.h"
#include "platform/SingleInstance.h"
#include "platform/Translations.h"
#include "platform/X11Desktop.h"
#include "store/AlarmStore.h"
#include "store/FileDefaults.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLocale>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    DisplaySession::choosePlatform();
    AccessibleApplication::install();
    QApplication app(argc, argv);
    // Before any text is made: widgets read their texts once.
    Translations::install(QLocale());
    QApplication::setApplicationName(u"brisvane"_s);
    QApplication::setApplicationDisplayName(QCoreApplication::translate("main", "Brisvane"));
    QApplication::setDesktopFileName(u"brisvane"_s);
    QApplication::setWindowIcon(TrayController::bellIcon());
    // The tray icon keeps the program running with no window open.
    QApplication::setQuitOnLastWindowClosed(false);

    // Started with the desktop session by the login item, or by the user.
    const bool atLogin = QCoreApplication::arguments().contains(AutostartLoginItem::kStartArgument);
    SingleInstance instance(SingleInstance::userSocketPath());
    if (instance.claim(atLogin ? SingleInstance::Launch::AtLogin : SingleInstance::Launch::ByUser)
        == SingleInstance::Role::Secondary)
        return 0;

    // Light or dark as the desktop is, from the first window on.
    const ColorSchemeFollower colorScheme(QDBusConnection::sessionBus());

    // Made before any window, so alarms ring whether or not it ever opens.
    const X11Desktop desktop;
    AlarmStore store({ std::make_unique<SystemClock>(),
        std::make_unique<FileDefaults>(FileDefaults::userDirectory()),
        std::make_unique<AlertPresenter>(desktop),
        std::make_unique<LogindWakeNotifier>(QDBusConnection::systemBus()) });
    AutostartLoginItem loginItem(QCoreApplication::applicationFilePath());
    DesktopTray tray(QDBusConnection::sessionBus(), TrayController::bellIcon());
    DesktopNotifier notifier(QDBusConnection::sessionBus());
    TrayController controller(store, loginItem, tray, notifier,
        DisplaySession::isXWayland() ? TrayController::TrayWindow::Focused
                                     : TrayController::TrayWindow::Popup);
    QObject::connect(
        &instance, &SingleInstance::activationRequested, &controller, &TrayController::showWindow);
    controller.start(atLogin ? TrayController::Start::AtLogin : TrayController::Start::ByUser);
    return QApplication::exec();
}
