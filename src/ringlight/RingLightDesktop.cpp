#include "ringlight/RingLightDesktop.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>

#include <xcb/xcb.h>
// Xlib last: its macros clash with Qt names.
#include <X11/Xlib.h>

namespace mirelon {
namespace {

// Converts a y-down global rectangle to the y-up space whose origin is the
// bottom-left corner of the primary screen.
QRectF toYUp(const QRect& r) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect p = primary ? primary->geometry() : QRect();
    const double y = double(p.top()) + p.height() - r.top() - r.height();
    return QRectF(r.x(), y, r.width(), r.height());
}

}  // namespace

RingLightDesktop::~RingLightDesktop() = default;

int activeScreenIndex(const QList<RingLightScreen>& screens, const RingLightDesktop& desktop,
                      bool preferKeyWindow) {
    if (screens.isEmpty()) {
        return -1;
    }
    if (const auto p = desktop.pointerLocation()) {
        for (int i = 0; i < screens.size(); ++i) {
            const QRectF& f = screens[i].frame;
            if (p->x() >= f.left() && p->x() < f.right() && p->y() >= f.top() &&
                p->y() < f.bottom()) {
                return i;
            }
        }
    }
    auto indexOf = [&](const void* handle) {
        for (int i = 0; handle && i < screens.size(); ++i) {
            if (screens[i].handle == handle) {
                return i;
            }
        }
        return -1;
    };
    if (preferKeyWindow) {
        if (const int i = indexOf(desktop.keyWindowScreen()); i >= 0) {
            return i;
        }
    }
    if (const int i = indexOf(desktop.mainScreen()); i >= 0) {
        return i;
    }
    return 0;
}

QtRingLightDesktop::QtRingLightDesktop(QObject* parent) : RingLightDesktop(parent) {
    auto* app = qGuiApp;
    if (!app) {
        return;
    }
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watchScreen(s);
        Q_EMIT screensChanged();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this] { Q_EMIT screensChanged(); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { Q_EMIT screensChanged(); });
    for (QScreen* s : QGuiApplication::screens()) {
        watchScreen(s);
    }
}

void QtRingLightDesktop::watchScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { Q_EMIT screensChanged(); });
    connect(screen, &QScreen::physicalDotsPerInchChanged, this,
            [this] { Q_EMIT screensChanged(); });
}

QString QtRingLightDesktop::displayIdentifier(const QString& manufacturer, const QString& model,
                                              const QString& serialNumber, const QString& name) {
    if (name.isEmpty()) {
        return {};
    }
    QString identity;
    if (manufacturer.isEmpty() && model.isEmpty() && serialNumber.isEmpty()) {
        identity = name;
    } else {
        identity = manufacturer + u'|' + model + u'|' + serialNumber;
        if (serialNumber.isEmpty()) {
            identity += u'|' + name;
        }
    }
    quint32 hash = 2166136261u;
    for (const char byte : identity.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return QString::number(hash);
}

QList<RingLightScreen> QtRingLightDesktop::screens() const {
    QList<RingLightScreen> out;
    for (QScreen* s : QGuiApplication::screens()) {
        RingLightScreen screen;
        screen.handle = s;
        screen.displayID =
            displayIdentifier(s->manufacturer(), s->model(), s->serialNumber(), s->name());
        screen.geometry = s->geometry();
        screen.frame = toYUp(s->geometry());
        screen.devicePixelRatio = s->devicePixelRatio();
        out.append(screen);
    }
    return out;
}

std::optional<QPointF> QtRingLightDesktop::pointerLocation() const {
    const QPoint p = QCursor::pos();
    // The pixel's centre, in y-up space.
    const QRectF r = toYUp(QRect(p, QSize(1, 1)));
    return QPointF(r.x() + 0.5, r.y() + 0.5);
}

void QtRingLightDesktop::setPointerFollowed(bool followed) {
    if (!followed) {
        pointerPoll_.cancel();
        return;
    }
    if (!pointerPoll_.isPending()) {
        lastPointer_ = QCursor::pos();
        pointerPoll_ = Scheduler::main().scheduleRepeating(1.0 / 30.0, [this] { pollPointer(); });
    }
}

void QtRingLightDesktop::pollPointer() {
    const QPoint p = QCursor::pos();
    if (p != lastPointer_) {
        lastPointer_ = p;
        Q_EMIT pointerMoved();
    }
}

const void* QtRingLightDesktop::keyWindowScreen() const {
    const QWidget* active = QApplication::activeWindow();
    return active ? active->screen() : nullptr;
}

const void* QtRingLightDesktop::mainScreen() const {
    return QGuiApplication::primaryScreen();
}

bool QtRingLightDesktop::isCompositing() const {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return true;  // not X11: the platform blends windows itself
    }
    xcb_connection_t* c = x11->connection();
    // The compositor owns _NET_WM_CM_S<n> for the default screen.
    int screenNumber = 0;
    if (Display* d = x11->display()) {
        screenNumber = DefaultScreen(d);
    }
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.constData()), nullptr);
    if (!atom) {
        return false;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

}  // namespace mirelon
