#include "transfer/exchange.h"

#include "contacts/initials.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "transfer/csv.h"
#include "transfer/vcard.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr std::size_t kProblemsShown = 5;

QString FilePath(const std::string& file) { return QFile::decodeName(QByteArray::fromStdString(file)); }

// Lone "\n" line breaks become "\r\n", as the windows' edit boxes store them.
std::string WithCrLf(const std::string& value) {
    if (value.find('\n') == std::string::npos) return value;
    std::string out;
    out.reserve(value.size() + 8);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\n' && (i == 0 || value[i - 1] != '\r')) out += '\r';
        out += value[i];
    }
    return out;
}

bool Progressed(const ExchangeProgress& progress, const char* what, int done, int total) {
    return !progress || progress(what, done, total);
}

}  // namespace

Text ExchangeReport::message() const {
    if (!ok) return Text::fromUtf8(error);
    Text text = import ? ImportCountsMessage(counts) : T("共导出 ") + TextOf(exported) + T(" 条记录");
    if (contactsWithLostCharacters > 0) {
        std::string fields;
        for (const auto& f : fieldsWithLostCharacters) fields += (fields.empty() ? "" : "、") + f;
        text += T("\r\n") + TextOf(contactsWithLostCharacters) +
                Text::fromUtf8(" 个联系人含有通讯录无法保存的字符（" + fields + "），这些字符已存为“?”");
    }
    if (!problems.empty()) {
        text += T("\r\n") + TextOf(static_cast<long long>(problems.size())) + T(" 个问题：");
        for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
            text += T("\r\n") + Text::fromUtf8(problems[i]);
        if (problems.size() > kProblemsShown) text += T("\r\n……");
    }
    return text;
}

ExchangeReport ImportContactsFile(DBConnection& book, const std::string& file, ExchangeFormat format,
                                  const ExchangeProgress& progress) {
    ExchangeReport report;
    report.import = true;
    const QFileInfo info(FilePath(file));
    if (!info.exists() || !info.isFile()) {
        report.error = "找不到文件 " + file;
        return report;
    }
    if (info.size() > kMaxExchangeFileBytes) {
        report.error = "文件太大（" + std::to_string(info.size() / (1024 * 1024)) + " MB），最多可导入 " +
                       std::to_string(kMaxExchangeFileBytes / (1024 * 1024)) + " MB";
        return report;
    }
    QFile in(info.filePath());
    if (!in.open(QIODevice::ReadOnly)) {
        report.error = "无法读取文件 " + file + "：" + in.errorString().toStdString();
        return report;
    }
    const QByteArray bytes = in.readAll();
    in.close();
    const std::string_view content(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    ReadContacts read = format == ExchangeFormat::VCard ? ReadVCards(content) : ReadCsv(content);
    if (!read.error.empty()) {
        report.error = read.error + "，没有导入任何联系人";
        return report;
    }
    report.problems = std::move(read.problems);

    BookWriter writer(book);
    if (!writer.ready()) {
        report.error = "无法读取通讯录的联系人表：" + book.ErrorText().toUtf8();
        return report;
    }
    for (int i = 0; i < read.failed; ++i) writer.countFailed();
    std::vector<FieldRef> fields;
    for (int c = 0; c < kColumnCount; ++c) fields.emplace_back(Text::fromUtf8(ColumnName(static_cast<Column>(c))));
    const FieldRef photoField(T("照片"));
    const int total = static_cast<int>(read.contacts.size());
    for (int i = 0; i < total; ++i) {
        const ExchangeContact& contact = read.contacts[static_cast<std::size_t>(i)];
        std::array<Text, kColumnCount> values;
        std::set<std::string> lostIn;
        for (int c = 0; c < kColumnCount; ++c) {
            int lost = 0;
            values[static_cast<std::size_t>(c)] =
                Text::fromUtf8(WithCrLf(contact.values[static_cast<std::size_t>(c)]), lost);
            if (lost > 0) lostIn.insert(ColumnName(static_cast<Column>(c)));
        }
        const Text& name = values[static_cast<std::size_t>(Column::Name)];
        values[static_cast<std::size_t>(Column::Initials)] = NameInitials(name, 3);
        std::string refusal;
        const auto outcome = writer.add(values[static_cast<std::size_t>(Column::Mobile)], [&](RecordSet& row) {
            for (int c = 0; c < kColumnCount; ++c) {
                const Column column = static_cast<Column>(c);
                if (column == Column::Photo) continue;
                if (!row.WriteText(fields[static_cast<std::size_t>(c)], values[static_cast<std::size_t>(c)])) {
                    refusal = ColumnName(column) + " 的值 “" + contact.values[static_cast<std::size_t>(c)] +
                              "” 无法存入通讯录";
                    return false;
                }
            }
            return contact.photo.empty() || row.WriteBytes(photoField, contact.photo);
        });
        if (outcome == BookWriter::Outcome::Failed) {
            report.problems.push_back(name.toUtf8() + "：" + (refusal.empty() ? "通讯录未能保存" : refusal));
        } else if (outcome == BookWriter::Outcome::Added && !lostIn.empty()) {
            ++report.contactsWithLostCharacters;
            report.fieldsWithLostCharacters.insert(lostIn.begin(), lostIn.end());
        }
        if (!Progressed(progress, "正在导入第 ", i + 1, total)) break;
    }
    writer.finish();
    report.counts = writer.counts();
    report.ok = true;
    return report;
}

ExchangeReport ExportContactsFile(DBConnection& book, const Text& query, const std::string& file, ExchangeFormat format,
                                  const ExchangeProgress& progress) {
    ExchangeReport report;
    RecordSet rows;
    rows.SetConnection(book);
    if (!rows.Open(query, RecordSet::kSqlText)) {
        report.error = "无法读取通讯录：" + book.ErrorText().toUtf8();
        return report;
    }
    QSaveFile out(FilePath(file));
    if (!out.open(QIODevice::WriteOnly)) {
        report.error = "无法写入文件 " + file + "：" + out.errorString().toStdString();
        return report;
    }
    std::vector<FieldRef> fields;
    for (int c = 0; c < kColumnCount; ++c) fields.emplace_back(Text::fromUtf8(ColumnName(static_cast<Column>(c))));
    const FieldRef photoField(T("照片"));

    std::string chunk;
    if (format == ExchangeFormat::Csv) chunk = CsvHeader();
    const int total = rows.RecordCount();
    int done = 0;
    for (bool more = rows.MoveFirst(); more && !rows.AtEnd(); more = rows.MoveNext()) {
        ExchangeContact contact;
        for (int c = 0; c < kColumnCount; ++c) {
            if (static_cast<Column>(c) == Column::Photo) continue;
            contact.values[static_cast<std::size_t>(c)] = rows.ReadText(fields[static_cast<std::size_t>(c)]).toUtf8();
        }
        if (format == ExchangeFormat::Csv) {
            chunk += CsvRowOf(contact);
        } else {
            Bytes photo;
            rows.ReadBytes(photoField, photo);
            Bytes jpeg;
            if (!photo.empty()) {
                const bool isJpeg = photo.size() > 3 && photo[0] == 0xFF && photo[1] == 0xD8 && photo[2] == 0xFF;
                jpeg = isJpeg ? std::move(photo) : JpegFileBytes(DecodePicture(photo));
                if (jpeg.empty()) report.problems.push_back(contact[Column::Name] + "：照片无法读取，未导出照片");
            }
            chunk += VCardOf(contact, jpeg);
        }
        ++done;
        if (chunk.size() > (1u << 20)) {
            out.write(chunk.data(), static_cast<qint64>(chunk.size()));
            chunk.clear();
        }
        if (!Progressed(progress, "正在导出第 ", done, total)) {
            out.cancelWriting();
            report.error = "导出已停止，没有写入文件";
            return report;
        }
    }
    out.write(chunk.data(), static_cast<qint64>(chunk.size()));
    if (!out.commit()) {
        report.error = "无法写入文件 " + file + "：" + out.errorString().toStdString();
        return report;
    }
    report.exported = done;
    report.ok = true;
    return report;
}
