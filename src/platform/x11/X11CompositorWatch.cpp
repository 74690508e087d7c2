// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11CompositorWatch.h"

#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

namespace mirelon {

X11CompositorWatch::X11CompositorWatch() {
    const auto x = openPrivateX11Connection();
    if (!x) {
        return;
    }
    connection_ = x->connection;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(x->screenNumber);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr);
    if (atom) {
        selection_ = atom->atom;
        std::free(atom);
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_xfixes_id);
    if (ext && ext->present) {
        std::free(xcb_xfixes_query_version_reply(
            connection_, xcb_xfixes_query_version(connection_, 5, 0), nullptr));
        xfixesFirstEvent_ = ext->first_event;
        xcb_xfixes_select_selection_input(
            connection_, x->root, selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(connection_);
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                      QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    }
    queryOwner();
}

X11CompositorWatch::~X11CompositorWatch() {
    notifier_.reset();
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

void X11CompositorWatch::queryOwner() {
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
    const bool compositing = reply && reply->owner != XCB_NONE;
    std::free(reply);
    setCompositing(compositing);
}

void X11CompositorWatch::readEvents() {
    bool ownerChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == xfixesFirstEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
            ownerChanged = true;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        notifier_->setEnabled(false);
        return;
    }
    if (ownerChanged) {
        queryOwner();
    }
}

}  // namespace mirelon
