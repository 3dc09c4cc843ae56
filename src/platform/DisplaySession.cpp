#include "platform/DisplaySession.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGlobal>

bool DisplaySession::prefersXcb(
    const QByteArray &waylandDisplay, const QByteArray &display, const QByteArray &qpaPlatform)
{
    return !waylandDisplay.isEmpty() && !display.isEmpty() && qpaPlatform.isEmpty();
}

void DisplaySession::choosePlatform()
{
    if (prefersXcb(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM")))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

bool DisplaySession::isXWayland()
{
    return QGuiApplication::platformName() == QLatin1StringView("xcb")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
