#pragma once
// A window declared without a title shows none. The X11 platform puts the
// program's name in an empty title; this writes the empty title to the
// window's X properties itself. Other platforms show an empty title already.

class QWidget;

// Writes an empty title (WM_NAME and _NET_WM_NAME) on the top-level widget's
// X window; nothing when the platform is not X11 or the window has no native
// window yet.
void ShowEmptyTitle(QWidget* window);

// False on an X11 screen that no compositing manager draws, where the
// transparent parts of a window show black; true otherwise.
bool DesktopComposites();
