#include "platform/X11Desktop.h"

#include "platform/DisplaySession.h"

#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

template<typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply>
ReplyPtr<Reply> own(Reply *reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

// Qt's own connection, when the application runs on X11.
xcb_connection_t *connection()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The number of the screen that the connection was opened on, as $DISPLAY
// names it (":0.1" is screen 1).
int screenNumber()
{
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen))
        return 0;
    std::free(host);
    return screen;
}

xcb_window_t rootWindow(xcb_connection_t *c)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = screenNumber(); i > 0 && it.rem > 1; --i)
        xcb_screen_next(&it);
    return it.rem > 0 ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(xcb_connection_t *c, const QByteArray &name)
{
    const auto reply = own(xcb_intern_atom_reply(c,
        xcb_intern_atom(c, /*only_if_exists=*/1, uint16_t(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

std::optional<QRect> X11Desktop::activeWindowFrame() const
{
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    const xcb_window_t root = rootWindow(c);
    const xcb_atom_t activeAtom = atom(c, QByteArrayLiteral("_NET_ACTIVE_WINDOW"));
    if (root == XCB_WINDOW_NONE || activeAtom == XCB_ATOM_NONE)
        return std::nullopt;

    const auto property = own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, activeAtom, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 4)
        return std::nullopt;
    const xcb_window_t active
        = *static_cast<xcb_window_t *>(xcb_get_property_value(property.get()));
    if (active == XCB_WINDOW_NONE)
        return std::nullopt;

    // The window may be gone by now; then the replies are errors.
    const auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, active), nullptr));
    const auto origin = own(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, active, root, 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

bool X11Desktop::knowsPointer() const
{
    return !DisplaySession::isXWayland();
}

bool X11Desktop::hasCompositor() const
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_atom_t selection = atom(c, "_NET_WM_CM_S" + QByteArray::number(screenNumber()));
    if (selection == XCB_ATOM_NONE)
        return false;
    const auto owner
        = own(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}
