#include "services/window/fonts.h"

#include <QApplication>
#include <QFontDatabase>

namespace {

bool Installed(const QString& family) { return QFontDatabase::families().contains(family, Qt::CaseInsensitive); }

QString FirstInstalled(const QStringList& faces) {
    for (const QString& f : faces)
        if (Installed(f)) return f;
    return QString();
}

bool IsSong(const QString& family) {
    return family.isEmpty() || family == QStringLiteral("宋体") || family == QStringLiteral("新宋体") ||
           family.compare("SimSun", Qt::CaseInsensitive) == 0 || family.compare("NSimSun", Qt::CaseInsensitive) == 0;
}

// The face Chinese glyphs missing from a declared Latin face come from.
QString ChineseFallback(const QString& family) {
    const QString song = FirstInstalled(SongStandIns());
    const QString sans = FirstInstalled(SansStandIns());
    if (IsSong(family) || family == song) return song.isEmpty() ? sans : song;
    return sans.isEmpty() ? song : sans;
}

}  // namespace

const QStringList& SongStandIns() {
    // AR PL UMing (fonts-arphic-uming) draws Latin letters and digits at half
    // a Chinese character, as 宋体 does, in a line as tall as the pixel size;
    // Noto Serif CJK SC's proportional digits are wider and its lines taller,
    // which cuts "照片尺寸：200*170" in its 104 x 13 label.
    static const QStringList faces = {"SimSun", "AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC"};
    return faces;
}

const QStringList& SansStandIns() {
    static const QStringList faces = {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "WenQuanYi Micro Hei",
                                      "Droid Sans Fallback"};
    return faces;
}

QString InstalledFamily(const Text& declaredFamily) {
    const QString wanted = declaredFamily.toQString();
    if (IsSong(wanted)) {
        const QString song = FirstInstalled(SongStandIns());
        if (!song.isEmpty()) return song;
    } else if (Installed(wanted)) {
        return wanted;
    }
    const QString sans = FirstInstalled(SansStandIns());
    return sans.isEmpty() ? QApplication::font().family() : sans;
}

QFont MakeFont(const FontDecl& font) {
    QFont f(InstalledFamily(font.family));
    f.setPixelSize(font.pixelHeight > 0 ? font.pixelHeight : 12);
    f.setBold(font.bold);
    // Chinese glyphs missing from the chosen face come from a face of its kind.
    const QString fallback = ChineseFallback(f.family());
    if (!fallback.isEmpty() && fallback != f.family()) f.setFamilies({f.family(), fallback});
    return f;
}

QFont DefaultGuiFont() { return MakeFont(FontDecl{Text(), 12}); }
