#include "ui/host/xtest_keys.h"

#include <QGuiApplication>

#include "ui/toolkit/mdialog.h"

#if defined(VANTORA_HAVE_XTEST) && QT_CONFIG(xcb)
// After every Qt header: Xlib's macros (None, Bool, KeyPress, ...) would clash.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#define VANTORA_XTEST_USABLE 1
#endif

namespace vantora::xtest {

#ifdef VANTORA_XTEST_USABLE
namespace {

Display* QtDisplay() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

bool SendKey(Display* display, KeySym symbol, bool down) {
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0) {
        return false;
    }
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    return true;
}

}  // namespace

bool FocusIsX11Window() {
    Display* display = QtDisplay();
    if (display == nullptr) {
        return false;
    }
    if (!UnderXwayland()) {
        return true;
    }
    const Atom activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (activeAtom != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(display, DefaultRootWindow(display), activeAtom, 0, 1, False,
                                              XA_WINDOW, &type, &format, &count, &left, &data);
        if (status == Success && type == XA_WINDOW && format == 32 && count == 1 && data != nullptr) {
            const Window active = *reinterpret_cast<Window*>(data);
            XFree(data);
            return active != None;
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus != None && focus != PointerRoot;
}

bool Available() {
    Display* display = QtDisplay();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return display != nullptr && XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) == True;
}

bool PressPaste() {
    Display* display = QtDisplay();
    if (display == nullptr || XKeysymToKeycode(display, XK_Control_L) == 0 ||
        XKeysymToKeycode(display, XK_v) == 0) {
        return false;
    }
    SendKey(display, XK_Control_L, true);
    SendKey(display, XK_v, true);
    XFlush(display);
    return true;
}

void ReleasePaste() {
    Display* display = QtDisplay();
    if (display == nullptr) {
        return;
    }
    SendKey(display, XK_v, false);
    SendKey(display, XK_Control_L, false);
    XFlush(display);
}

#else

bool Available() {
    return false;
}
bool FocusIsX11Window() {
    return false;
}
bool PressPaste() {
    return false;
}
void ReleasePaste() {}

#endif

}  // namespace vantora::xtest
