#pragma once
// Placement of a companion window (the contact record window, the weather
// window) beside the main window: same top; to the right of the main window,
// or to its left when it would not fit on the primary screen.

class Window;

void dock_beside_main(Window& companion);
