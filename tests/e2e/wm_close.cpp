// The close request of a window manager, kept apart because Xlib's macros
// (Window, Status, None, ...) clash with ordinary names.
#include <X11/Xlib.h>

#include <stdexcept>
#include <string>

#include "x_harness.h"

namespace e2e {

void close_window(const Window &w)
{
    Display *d = XOpenDisplay(w.display.c_str());
    if (!d) throw std::runtime_error("cannot connect to " + w.display);
    ::Window id = std::stoul(w.id);
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = id;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, id, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
}

}  // namespace e2e
