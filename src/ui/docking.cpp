#include "ui/docking.h"

#include "services/core/core.h"
#include "services/window/commands.h"

void dock_beside_main(Window& companion) {
    Window* main = FindWindow("main");
    if (!main) return;
    companion.setTop(main->top());
    // Whole pixels: the comparison is strict, as a margin would change nothing.
    if (main->left() + main->width() + companion.width() > ScreenWidth())
        companion.setLeft(main->left() - companion.width());
    else companion.setLeft(main->left() + main->width());
}
