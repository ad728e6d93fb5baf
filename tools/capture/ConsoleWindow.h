// Whether a console's window is one a user looks at, from what the system
// shows of it at a few looks a moment apart.
#pragma once

#include <functional>

// One look at the window: whether the console has one, whether it is
// visible, whether it is minimised.
struct WindowLook {
    bool exists = false;
    bool visible = false;
    bool minimised = false;
};

// A console made without a window has none; one started hidden has a window no
// one sees, and one started minimised (start /min) a window no one looks at. A
// window may be shown a moment after its program starts (under Wine, for one),
// so up to `looks` looks are taken (`look` gives the next): the first that
// finds it visible decides, by whether it is minimised; a window never
// visible, or none, is not shown.
bool WindowShown(const std::function<WindowLook()>& look, int looks);
