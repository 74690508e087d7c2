// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace mirelon {

// Whether a compositing manager runs (someone owns _NET_WM_CM_S<screen>),
// followed live through XFixes selection-owner events on an X connection of
// its own. Without X11 it reports compositing (translucency is assumed).
class CompositorWatch : public QObject {
    Q_OBJECT
public:
    static CompositorWatch& shared();
    ~CompositorWatch() override;

    bool isCompositing() const { return compositing_; }

Q_SIGNALS:
    void compositingChanged(bool compositing);

private:
    CompositorWatch();
    void readEvents();
    void queryOwner();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t selection_ = 0;
    std::uint8_t xfixesFirstEvent_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool compositing_ = true;
};

}  // namespace mirelon
