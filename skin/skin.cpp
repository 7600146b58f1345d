// The skin library: reads a skin file (a Qt style sheet in UTF-8) and applies
// it to the whole application.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace {

enum AttachResult : int {
    Attached = 0,
    NoFile = 1,         // missing, unreadable or not a regular file
    EmptySkin = 2,      // nothing to apply (a skin file whose write failed, say)
    NoApplication = 3,  // called before the QApplication exists
};

// A skin is a few tens of kilobytes; refuse anything absurd rather than
// reading a huge file into memory.
constexpr qint64 kMaxSkinBytes = 4 * 1024 * 1024;

}  // namespace

// skinPath: full path of the skin file, UTF-8. second: unused (the program
// passes an empty text). Returns 0 when the skin was applied; otherwise
// non-zero, and the application's look is left as it was.
extern "C" __attribute__((visibility("default"))) int SkinH_AttachEx(const char* skinPath, const char* second) {
    (void)second;
    if (skinPath == nullptr || *skinPath == '\0') return NoFile;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) return NoApplication;

    QFile file(QString::fromUtf8(skinPath));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSkinBytes) return NoFile;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const QString sheet = QString::fromUtf8(bytes);
    if (sheet.trimmed().isEmpty()) return EmptySkin;

    app->setStyleSheet(sheet);
    return Attached;
}
