#include "services/window/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

namespace {

// CJK faces this desktop may have, best first.
const QStringList& CjkFaces() {
    static const QStringList faces = {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Serif CJK SC",
                                      "AR PL UMing CN", "WenQuanYi Micro Hei", "Droid Sans Fallback"};
    return faces;
}

QString FirstInstalledCjkFace() {
    static const QString face = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString& f : CjkFaces())
            if (installed.contains(f, Qt::CaseInsensitive)) return f;
        return QString();
    }();
    return face;
}

}  // namespace

QString InstalledFamily(const Text& declaredFamily) {
    const QString wanted = declaredFamily.toQString();
    const QStringList installed = QFontDatabase::families();
    const bool isSong = wanted == QStringLiteral("宋体") || wanted.compare("SimSun", Qt::CaseInsensitive) == 0 ||
                        wanted.compare("NSimSun", Qt::CaseInsensitive) == 0 || wanted == QStringLiteral("新宋体");
    if (!wanted.isEmpty() && !isSong && installed.contains(wanted, Qt::CaseInsensitive)) return wanted;
    if (isSong) {
        for (const QString& f : {QStringLiteral("SimSun"), QStringLiteral("宋体")})
            if (installed.contains(f, Qt::CaseInsensitive)) return f;
    }
    const QString cjk = FirstInstalledCjkFace();
    return cjk.isEmpty() ? QApplication::font().family() : cjk;
}

QFont MakeFont(const FontDecl& font) {
    QFont f(InstalledFamily(font.family));
    f.setPixelSize(font.pixelHeight > 0 ? font.pixelHeight : 12);
    f.setBold(font.bold);
    // Chinese glyphs missing from the chosen face come from another CJK face.
    const QString cjk = FirstInstalledCjkFace();
    if (!cjk.isEmpty() && cjk != f.family()) f.setFamilies({f.family(), cjk});
    return f;
}

QFont DefaultGuiFont() {
    QFont f = QApplication::font();
    const QString cjk = FirstInstalledCjkFace();
    if (!cjk.isEmpty()) f.setFamilies({f.family(), cjk});
    return f;
}
