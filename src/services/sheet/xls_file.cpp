#include "services/sheet/xls_file.h"

#include "services/core/core.h"
#include "services/sheet/biff8.h"
#include "services/sheet/compound_file.h"

namespace sheet {

bool WriteXlsFile(const Workbook& book, const Text& path, Text* failure) {
    auto fail = [&](const char* why) {
        if (failure) *failure = T(why);
        return false;
    };
    if (path.empty()) return fail("没有文件名");
    auto stream = BuildWorkbookStream(book);
    if (!stream) return fail("超出 Excel 97-2003 工作簿的容量（65536 行、256 列）");
    auto head = CompoundFileHead(u"Workbook", stream->size());
    if (!head) return fail("超出 Excel 97-2003 工作簿的容量");
    std::vector<Bytes> parts;
    parts.reserve(3);
    parts.push_back(std::move(*head));
    parts.push_back(std::move(*stream));
    parts.emplace_back(CompoundFileTail(parts[1].size()), 0);
    return ReplaceFile(path, parts, failure);
}

}  // namespace sheet
