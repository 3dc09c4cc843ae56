#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPalette>

#include <optional>

class QDBusMessage;

// Keeps the program's palette on the desktop's light or dark scheme. Qt
// follows a scheme only where its platform theme knows one (KDE's own theme
// brings KDE's colours, live); elsewhere, as on GNOME and most other
// desktops, the desktop tells it through the portal's appearance setting
// (org.freedesktop.appearance color-scheme), which is read here over D-Bus
// and watched for changes. Where the wanted scheme and the palette disagree,
// a palette of that scheme is put in place, and taken away again when they
// agree once more.
class ColorSchemeFollower : public QObject
{
    Q_OBJECT
public:
    enum class Scheme
    {
        NoPreference,
        Dark,
        Light
    };

    explicit ColorSchemeFollower(const QDBusConnection &bus, QObject *parent = nullptr);

    // What the desktop asks for: Qt's own reading where it has one, else the
    // portal's.
    Scheme wanted() const;

    // A dark palette for where the desktop has none of its own.
    static QPalette darkPalette();

private Q_SLOTS:
    void settingChanged(const QDBusMessage &message);

private:
    void follow();

    QDBusConnection m_bus;
    Scheme m_portal = Scheme::NoPreference;
    // The palette before a dark one was put in its place.
    std::optional<QPalette> m_replaced;
};
