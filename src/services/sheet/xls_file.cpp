#include "services/sheet/xls_file.h"

#include "services/sheet/biff8.h"
#include "services/sheet/compound_file.h"

#include <QSaveFile>
#include <QString>

namespace sheet {

bool WriteXlsFile(const Workbook& book, const Text& path) {
    if (path.empty()) return false;
    auto stream = BuildWorkbookStream(book);
    if (!stream) return false;
    auto head = CompoundFileHead(u"Workbook", stream->size());
    if (!head) return false;
    const std::vector<unsigned char> tail(CompoundFileTail(stream->size()), 0);

    QSaveFile file(path.toQFileName());
    if (!file.open(QIODevice::WriteOnly)) return false;
    const std::vector<unsigned char>* parts[] = {&*head, &*stream, &tail};
    for (const auto* part : parts) {
        const char* data = reinterpret_cast<const char*>(part->data());
        qint64 left = static_cast<qint64>(part->size());
        while (left > 0) {
            qint64 n = file.write(data, left);
            if (n <= 0) {
                file.cancelWriting();
                return false;
            }
            data += n;
            left -= n;
        }
    }
    return file.commit();
}

} // namespace sheet
