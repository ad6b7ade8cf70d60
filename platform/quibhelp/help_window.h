// A help topic in a window of its own on the desktop.
#pragma once

// Shows the HTML page in a window titled title and returns when the person
// closes it. False when no X display can be opened or the page cannot be
// read; nothing is shown then.
bool showInWindow(const char* title, const char* pagePath);
