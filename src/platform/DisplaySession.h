#pragma once

class QByteArray;

// The choice of display platform, made before the application object exists.
namespace DisplaySession {

// True on a Wayland session that also offers an X server (XWayland), unless the
// user chose a platform: plain Wayland lets no program place its own window
// by the tray icon, nor keep the alert above a full-screen window.
bool prefersXcb(
    const QByteArray &waylandDisplay, const QByteArray &display, const QByteArray &qpaPlatform);

// Reads the environment and, where prefersXcb() holds, sets QT_QPA_PLATFORM.
void choosePlatform();

// Whether the program runs on X11 inside a Wayland session, where X11 sees
// neither the pointer nor the focus while a Wayland window has it. Asked of
// the running application.
bool isXWayland();

} // namespace DisplaySession
