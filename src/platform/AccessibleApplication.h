#pragma once

#include <QAccessibleObject>

// The application as assistive technology sees it. Qt's own interface lists
// every top-level window but popups, while a popup's interface still names
// the application as its parent. The window opened from an X11 tray is a
// popup, the one kind of window there that takes the keyboard and closes on
// a click outside it, so a screen reader walking the tree would never find
// it. This one lists open popups too.
class AccessibleApplication : public QAccessibleApplication
{
public:
    // Has Qt use this interface for the application object. Called before
    // that object exists, so that Qt has not made its own one yet.
    static void install();

    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *child(int index) const override;

private:
    // Qt's own children, then each open popup that calls the application its
    // parent (a menu calls the widget that opened it its parent).
    QList<QAccessibleInterface *> windows() const;
};
