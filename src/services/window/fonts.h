#pragma once
// Declared fonts on this desktop. The declarations name 宋体 (SimSun); when
// that face is not installed it maps to an installed CJK face at the same
// pixel height, so Chinese text never shows as empty boxes.

#include "services/window/decl.h"

#include <QFont>
#include <QString>

// The installed family used for a declared family.
QString InstalledFamily(const Text& declaredFamily);
// The font of a declaration, sized in pixels.
QFont MakeFont(const FontDecl& font);
// The font of controls that declare none: the application font with a CJK
// face preferred.
QFont DefaultGuiFont();
