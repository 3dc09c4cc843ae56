#include "platform/ColorSchemeFollower.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QStyleHints>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPortal = u"org.freedesktop.portal.Desktop"_s;
const QString kPortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString kSettings = u"org.freedesktop.portal.Settings"_s;
const QString kAppearance = u"org.freedesktop.appearance"_s;
const QString kColorScheme = u"color-scheme"_s;

// The portal's value: 1 prefers dark, 2 prefers light, 0 no preference. Read
// answers with it wrapped once more than ReadOne does.
ColorSchemeFollower::Scheme schemeOf(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    switch (value.toUInt()) {
    case 1:
        return ColorSchemeFollower::Scheme::Dark;
    case 2:
        return ColorSchemeFollower::Scheme::Light;
    default:
        return ColorSchemeFollower::Scheme::NoPreference;
    }
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

} // namespace

ColorSchemeFollower::ColorSchemeFollower(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this,
        &ColorSchemeFollower::follow);
#endif
    if (!m_bus.isConnected())
        return;
    // Qt 6.4 refuses a slot that takes the value as a QDBusVariant (the
    // connection is never made); one that takes the message works on all.
    m_bus.connect(kPortal, kPortalPath, kSettings, u"SettingChanged"_s, this,
        SLOT(settingChanged(QDBusMessage)));
    // Read (version 1 of the interface) is there in every portal.
    QDBusMessage read = QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings, u"Read"_s);
    read << kAppearance << kColorScheme;
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
        [this](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            const QDBusMessage reply = finished->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                m_portal = schemeOf(reply.arguments().constFirst());
                follow();
            }
        });
}

ColorSchemeFollower::Scheme ColorSchemeFollower::wanted() const
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return Scheme::Dark;
    case Qt::ColorScheme::Light:
        return Scheme::Light;
    case Qt::ColorScheme::Unknown:
        break;
    }
#endif
    return m_portal;
}

void ColorSchemeFollower::settingChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 3 || arguments.at(0).toString() != kAppearance
        || arguments.at(1).toString() != kColorScheme)
        return;
    m_portal = schemeOf(arguments.at(2));
    follow();
}

void ColorSchemeFollower::follow()
{
    const Scheme scheme = wanted();
    if (m_replaced) {
        // Ours is in place: keep it while dark is wanted.
        if (scheme != Scheme::Dark)
            QApplication::setPalette(*std::exchange(m_replaced, std::nullopt));
        return;
    }
    if (scheme == Scheme::Dark && !isDark(QApplication::palette())) {
        m_replaced = QApplication::palette();
        QApplication::setPalette(darkPalette());
    }
}

QPalette ColorSchemeFollower::darkPalette()
{
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor text(0xee, 0xee, 0xee);
    const QColor base(0x1e, 0x1e, 0x20);
    const QColor button(0x3a, 0x3a, 0x3e);
    QPalette palette(button, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa6));
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8e, 0xe0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    palette.setColor(QPalette::LinkVisited, QColor(0xb4, 0x9c, 0xff));
    const QColor disabled(0x80, 0x80, 0x86);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}
