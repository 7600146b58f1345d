// vCard and CSV exchange of N contacts (one in twenty with a JPEG photo of
// about 5 KB), for N = 10,000 and 20,000: export the book to each format,
// then import each file into an empty copy of the delivered book. Prints each
// time and the 20,000 / 10,000 ratios. No window and no display are needed.
//
//   exchange_bench

#include "bench_timing.h"
#include "services/db/db_connection.h"
#include "services/system/system.h"
#include "support/address_book_copy.h"
#include "transfer/exchange.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include "build_paths.h"

namespace {

std::string FreshBook(const QTemporaryDir& folder, const char* name) {
    const std::string path = folder.filePath(name).toStdString();
    CopyDeliveredBook(path);
    return path;
}

Bytes Photo(int seed) {
    QImage image(96, 96, QImage::Format_RGB32);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) image.setPixel(x, y, qRgb((x * seed) & 255, (y * 3 + seed) & 255, (x ^ y) & 255));
    return JpegFileBytes(image, 85);
}

void FillBook(const std::string& file, int contacts) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db,
        "insert into 通讯录 (姓名,手机,首字母,手机备,QQ,邮箱,分组,座机,分机,地址,籍贯,生日,备注,照片,归属地,性别) "
        "values (?,?,'zs','13900000000','12345','someone@example.com','同学','010-66668888','801',"
        "'北京市海淀区中关村大街1号','河北','1980-01-06 00:00:00','第一行\r\n第二行',?,'北京移动','男')",
        -1, &st, nullptr);
    for (int i = 0; i < contacts; ++i) {
        const std::string name = (i % 3 ? "张三" : "欧阳明日") + std::to_string(i);
        const std::string mobile = std::to_string(13800000000LL + i);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
        if (i % 20 == 0) {
            const Bytes photo = Photo(i);
            sqlite3_bind_blob(st, 3, photo.data(), static_cast<int>(photo.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(st, 3);
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

struct Times {
    double exportVCard = 0, exportCsv = 0, importVCard = 0, importCsv = 0;
};

Times Run(int contacts) {
    QTemporaryDir folder;
    const std::string full = FreshBook(folder, "full.mdb");
    FillBook(full, contacts);
    const std::string vcf = folder.filePath("all.vcf").toStdString();
    const std::string csv = folder.filePath("all.csv").toStdString();
    const Text everyone = T("select * from 通讯录 order by 姓名 ASC");
    Times t;
    ExchangeReport report;
    {
        DBConnection book;
        book.ConnectAccess(Text::fromUtf8(full));
        t.exportVCard = SecondsOf([&] { report = ExportContactsFile(book, everyone, vcf, ExchangeFormat::VCard); });
        t.exportCsv = SecondsOf([&] { ExportContactsFile(book, everyone, csv, ExchangeFormat::Csv); });
    }
    const auto size = [](const std::string& f) { return QFile(QString::fromStdString(f)).size() / (1024.0 * 1024.0); };
    std::string imported[2];
    for (int format = 0; format < 2; ++format) {
        const std::string empty = FreshBook(folder, format ? "csv.mdb" : "vcard.mdb");
        DBConnection book;
        book.ConnectAccess(Text::fromUtf8(empty));
        double& time = format ? t.importCsv : t.importVCard;
        time = SecondsOf([&] {
            report = ImportContactsFile(book, format ? csv : vcf, format ? ExchangeFormat::Csv : ExchangeFormat::VCard);
        });
        imported[format] = QString::fromStdString(report.message().toUtf8()).replace("\r\n", ", ").toStdString();
    }
    std::printf("%6d contacts: vCard export %.2f s (%.1f MB), import %.2f s (%s)\n", contacts, t.exportVCard, size(vcf),
                t.importVCard, imported[0].c_str());
    std::printf("                CSV export %.2f s (%.1f MB), import %.2f s (%s)\n", t.exportCsv, size(csv),
                t.importCsv, imported[1].c_str());
    std::fflush(stdout);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const Times small = Run(10000);
    const Times large = Run(20000);
    std::printf("20,000 / 10,000: vCard export %.2fx, import %.2fx; CSV export %.2fx, import %.2fx (limit 2.5x)\n",
                large.exportVCard / small.exportVCard, large.importVCard / small.importVCard,
                large.exportCsv / small.exportCsv, large.importCsv / small.importCsv);
    return 0;
}
