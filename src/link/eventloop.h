#pragma once

// Every echo-checked byte is one wake-up of the event loop, and Qt's GLib-based dispatcher
// spends several times the work of its plain Unix one on each. This picks the plain one for the
// process and every thread it starts later; it must run before the application object exists.
// GTK's own dialogs (its Qt platform theme) need the GLib loop, so a program with windows keeps
// that loop where the theme is installed. A QT_NO_GLIB the user has set stands.
void preferPlainEventLoop(bool withWindows);
