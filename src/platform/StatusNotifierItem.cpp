#include "platform/StatusNotifierItem.h"

#include "platform/DBusMenu.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QImage>
#include <QtEndian>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kWatcher = u"org.kde.StatusNotifierWatcher"_s;
const QString kWatcherPath = u"/StatusNotifierWatcher"_s;
const QString kItemPath = u"/StatusNotifierItem"_s;
const QString kMenuPath = u"/MenuBar"_s;
constexpr auto kExport
    = QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties;

// Runs `then` with the reply once the watcher has answered; none when it
// answered with an error, or there is no watcher at all.
template<typename Then>
void callWatcher(QDBusConnection &bus, QObject *context, const QString &interface,
    const QString &method, const QVariantList &arguments, Then then)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, interface, method);
    call.setArguments(arguments);
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
        [then](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            then(finished->isError() ? std::nullopt : std::optional(finished->reply().arguments()));
        });
}

} // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection &bus, const QString &id,
    const QString &title, const QIcon &icon, DBusMenu *menu, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_service(u"org.kde.StatusNotifierItem-%1-1"_s.arg(QCoreApplication::applicationPid()))
    , m_id(id)
    , m_title(title)
    , m_icon(icon)
    , m_watcher(
          new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    // Without a session bus no tray can ever find the item.
    if (!m_bus.isConnected())
        return;
    qDBusRegisterMetaType<Pixmap>();
    qDBusRegisterMetaType<Pixmaps>();
    qDBusRegisterMetaType<ToolTip>();
    DBusMenu::registerTypes();
    m_bus.registerObject(kItemPath, this, kExport);
    m_bus.registerObject(kMenuPath, menu, kExport);
    m_bus.registerService(m_service);

    // A watcher that comes up, or comes back after its panel restarted,
    // knows nothing of the item until it registers again.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &, const QString &owner) {
            if (owner.isEmpty()) {
                m_registered = false;
                setShown(false);
            } else {
                registerWithWatcher();
            }
        });
    for (const char *signal : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
        m_bus.connect(kWatcher, kWatcherPath, kWatcher, QLatin1StringView(signal), this,
            SLOT(onHostChange()));
    if (m_bus.interface() && m_bus.interface()->isServiceRegistered(kWatcher)) {
        m_registering = true;
        // Once the program runs: a tray asks after the item's properties at
        // once, and some give up on an item that is slow to answer.
        QMetaObject::invokeMethod(
            this, &StatusNotifierItem::registerWithWatcher, Qt::QueuedConnection);
    }
}

StatusNotifierItem::~StatusNotifierItem()
{
    m_bus.unregisterService(m_service);
    m_bus.unregisterObject(kMenuPath);
    m_bus.unregisterObject(kItemPath);
}

StatusNotifierItem::Pixmaps StatusNotifierItem::pixmaps(const QIcon &icon)
{
    Pixmaps result;
    for (const int extent : { 16, 22, 24, 32, 48, 64 }) {
        // In device pixels: the tray picks the one for its own scale.
        const QImage image = icon.pixmap(QSize(extent, extent), 1.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        Pixmap pixmap { image.width(), image.height(), {} };
        pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto *out = reinterpret_cast<quint32 *>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(quint32(line[x]));
        }
        result.append(pixmap);
    }
    return result;
}

bool StatusNotifierItem::hostRegistered(const QDBusConnection &bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << kWatcher << u"IsStatusNotifierHostRegistered"_s;
    const QDBusMessage reply = QDBusConnection(bus).call(get);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

QString StatusNotifierItem::category() const
{
    return u"ApplicationStatus"_s;
}

QString StatusNotifierItem::status() const
{
    return m_needsAttention ? u"NeedsAttention"_s : u"Active"_s;
}

StatusNotifierItem::ToolTip StatusNotifierItem::toolTip() const
{
    // Trays read the text as markup of a kind: it goes escaped.
    return { {}, {}, m_title, m_toolTip.toHtmlEscaped() };
}

void StatusNotifierItem::setToolTip(const QString &text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    Q_EMIT NewToolTip();
}

void StatusNotifierItem::setNeedsAttention(bool needsAttention)
{
    if (needsAttention == m_needsAttention)
        return;
    m_needsAttention = needsAttention;
    Q_EMIT NewStatus(status());
}

QDBusObjectPath StatusNotifierItem::menu() const
{
    return QDBusObjectPath(kMenuPath);
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    Q_EMIT contextMenuRequested(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int /*delta*/, const QString & /*orientation*/) { }

void StatusNotifierItem::registerWithWatcher()
{
    m_registering = true;
    callWatcher(m_bus, this, kWatcher, u"RegisterStatusNotifierItem"_s, { kItemPath },
        [this](const std::optional<QVariantList> &reply) {
            m_registered = reply.has_value();
            onHostChange();
        });
}

void StatusNotifierItem::onHostChange()
{
    callWatcher(m_bus, this, u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
        { kWatcher, u"IsStatusNotifierHostRegistered"_s },
        [this](const std::optional<QVariantList> &reply) {
            const bool host = reply && !reply->isEmpty()
                && qvariant_cast<QDBusVariant>(reply->first()).variant().toBool();
            m_registering = false;
            setShown(m_registered && host);
        });
}

void StatusNotifierItem::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    Q_EMIT shownChanged(shown);
}

QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierItem::Pixmap &pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierItem::Pixmap &pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const StatusNotifierItem::ToolTip &toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.icon << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, StatusNotifierItem::ToolTip &toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.icon >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}
