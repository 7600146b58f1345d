#include "transfer/exchange_support.h"

#include "services/system/system.h"

#include <QFile>
#include <QImage>
#include <QProcess>

#include <sqlite3.h>

std::string VobjectScript() { return VARELO_TEST_SOURCE "/transfer/vobject_cards.py"; }

std::string RunPython(const std::vector<std::string>& arguments, const std::string& input) {
    QProcess python;
    QStringList args;
    for (const auto& a : arguments) args << QString::fromStdString(a);
    python.start("/usr/bin/python3", args);
    python.write(input.data(), static_cast<qint64>(input.size()));
    python.closeWriteChannel();
    python.waitForFinished(120000);
    const QByteArray out = python.readAllStandardOutput();
    if (python.exitCode() != 0) ADD_FAILURE() << "python failed: " << python.readAllStandardError().toStdString();
    return out.toStdString();
}

bool VobjectAvailable() {
    QProcess python;
    python.start("/usr/bin/python3", {"-c", "import vobject"});
    return python.waitForFinished(30000) && python.exitCode() == 0;
}

Bytes JpegPicture(int seed) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor((seed * 37) % 256, (seed * 91) % 256, (seed * 53) % 256));
    return JpegFileBytes(image, 85);
}

Bytes BmpPicture(int seed) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(QColor((seed * 37) % 256, 20, 200));
    return BmpFileBytes(image, 24);
}

std::string ReadWhole(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return std::string();
    return f.readAll().toStdString();
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string IntegrityOf(const std::string& book) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "pragma integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

void ExchangeTest::SetUp() { ASSERT_TRUE(connection_.ConnectAccess(book_.pathText())); }
