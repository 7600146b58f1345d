#include "transfer/exchange_support.h"

#include "services/system/system.h"

#include <QImage>
#include <QProcess>
#include "build_paths.h"

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

void ExchangeTest::SetUp() { ASSERT_TRUE(connection_.ConnectAccess(book_.pathText())); }

void ExpectMentions(const std::string& message, const std::vector<std::string>& parts) {
    for (const std::string& part : parts) EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
}

void ExpectSameContactsButKeys(const std::vector<StoredContact>& before, const std::vector<StoredContact>& after) {
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        ContactColumns a = before[i].fields, b = after[i].fields;
        a.erase("编号");
        b.erase("编号");
        ASSERT_EQ(a, b) << i;
        ASSERT_EQ(before[i].photo, after[i].photo) << i;
    }
}
