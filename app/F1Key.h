#pragma once
// Windows that must not open the help take the F1 key themselves.
#include <QEvent>

// True (and the event accepted) when the event is F1 pressed, or the shortcut check
// before it, so the window's event() returns without passing it on.
bool SwallowF1(QEvent* event);
