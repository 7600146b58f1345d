#pragma once
// Declared fonts on this desktop. The declarations name 宋体 (SimSun), a Song
// (Ming) face whose Latin letters and digits are half the width of a Chinese
// character; when it is not installed it maps to the installed Song face whose
// metrics come closest, so that every declared text fits its control as laid
// out. A family declared in a sans face keeps a sans face. Controls that
// declare no font get the platform's default dialog font: 宋体 at 12 pixels.

#include "services/window/decl.h"

#include <QFont>
#include <QString>
#include <QStringList>

// Installed Song faces that stand in for 宋体, closest metrics first.
const QStringList& SongStandIns();
// Installed Chinese sans faces for families declared in a sans face, best first.
const QStringList& SansStandIns();

// The installed family used for a declared family.
QString InstalledFamily(const Text& declaredFamily);
// The font of a declaration, sized in pixels.
QFont MakeFont(const FontDecl& font);
// The font of controls that declare none.
QFont DefaultGuiFont();
