#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

// The program's item in the desktop's tray: the bell, whose click opens the
// window, with a menu of "Open Brisvane" and "Quit", and of "Snooze 5 min"
// and "Dismiss" while an alarm rings.
class AbstractTray : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether a tray on the desktop shows the item now.
    virtual bool isShown() const = 0;
    // Whether a tray has been found and its answer is on its way.
    virtual bool isAwaited() const = 0;
    // Where the icon is on screen; empty where the tray does not tell.
    virtual QRect iconGeometry() const = 0;

    // What the item tells of the program: under its name, `toolTip` (the
    // next alarm); while `ringing`, it asks for attention and its menu offers
    // to snooze or dismiss the alert on screen, first.
    virtual void setState(const QString &toolTip, bool ringing) = 0;

Q_SIGNALS:
    void shownChanged();
    // A click on the item; `at` is where, when the tray tells, else null.
    void activated(QPoint at);
    void openRequested();
    void quitRequested();
    void snoozeRequested();
    void dismissRequested();
};
