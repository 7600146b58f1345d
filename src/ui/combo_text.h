#pragma once
// Setting the text a combo box shows. A drop-down list shows one of its items:
// a text that is an item selects it; any other text is shown as a grey hint
// with no item selected (and the box's text reads empty). An editable box
// takes the text as typed content.

#include "services/window/window.h"

void SetComboText(const Control& combo, const Text& text);

// Lets the user type into the box (true) or only choose an item (false).
void SetComboEditable(const Control& combo, bool editable);
