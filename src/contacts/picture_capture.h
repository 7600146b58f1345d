#pragma once
// Picture choice and frame capture: the user picks a picture file, it is shown
// at its natural size in the photo window, a translucent 170 x 200 frame
// window appears over it a second later, and a double-click on the frame
// captures the screen under it, as the contact photo (target 1, stored by the
// next save) or as the user's avatar (target 0, stored at once).

#include "services/window/window.h"
#include "ui/program_state.h"

// Photo targets.
enum PhotoTarget : int {
    kAvatarTarget = 0,
    kContactPhotoTarget = 1,
};

// Asks for a picture file with `dialog` (a common dialog control), shows it in
// the modal photo window for the frame capture, and remembers the chosen file
// in Peizhi.ini (目录 / 照片对话框的目录). Cancel changes nothing.
void choose_picture(ProgramState& state, int target, const Control& dialog);

// The main window's avatar change: choose_picture for the avatar with the
// main window's 通用对话框2.
void change_avatar(ProgramState& state);

// The photo window's and the frame window's handlers.
HandlerTable photo_window_handlers(ProgramState& state);
HandlerTable frame_window_handlers(ProgramState& state);
