#include "ui/pictures/pictures.h"

#include <QFile>
#include <QString>

#include <algorithm>

// Outside any namespace: the macro declares the resource's init function.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

Bytes PictureResource(std::string_view name) {
    // Only our own names: a free path could reach other embedded resources.
    const bool known = std::any_of(Pictures::AllPictures.begin(), Pictures::AllPictures.end(),
                                   [name](const Pictures::PictureInfo& p) { return p.name == name; });
    if (!known) return {};

    // Referencing the init function also keeps the resource data linked in
    // from this static library.
    static const bool initialised = (InitPictureResources(), true);
    (void)initialised;

    QFile file(QStringLiteral(":/pictures/") + QString::fromUtf8(name.data(), qsizetype(name.size())));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}
