// The record window's saves under real faults: another program holding the
// book, a disk that fills up, a book without write permission. "保存成功！"
// appears exactly for the contacts the file holds afterwards.

#include "faults/fault_support.h"
#include "support/stages/record_fixture.h"

#include "services/db/db_connection.h"
#include "services/window/commands.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>

using namespace faults;
using namespace record_tests;

namespace {

class SaveFaults : public RecordWindowTest {
protected:
    // 新建, name and mobile (and a photo), 保存; true when "保存成功！" was said.
    bool saveNew(const std::string& name, const std::string& mobile, const Bytes& photo = {}) {
        pressNew();
        Window& record = recordWindow();
        type(record, RecordControls::NameBox, name);
        type(record, RecordControls::MobileBox, mobile);
        if (!photo.empty()) record.control(T(RecordControls::Photo)).setPicture(photo);
        takeMessages();
        click(record, RecordControls::SaveButton);
        const auto said = takeMessages();
        EXPECT_EQ(said.size(), 1u);
        return !said.empty() && said.back() == "保存成功！";
    }

    struct Outcome {
        int runs = 0;
        long long reported = 0, stored = 0, lost = 0, extra = 0;
    };

    // Checks one save against the file.
    void tally(Outcome& o, bool said, const std::string& book, const std::string& name) {
        const bool there = HasContactNamed(book, name);
        ++o.runs;
        o.reported += said;
        o.stored += there;
        o.lost += said && !there;
        o.extra += !said && there;
        EXPECT_EQ(said, there) << name;
    }

    // Saves one contact after another while another program holds the book,
    // and a few more once it has let go.
    void savesWhileHeld(const std::string& kind, double seconds, const std::string& caseName) {
        BookHolder holder(bookPath(), kind, seconds);
        ASSERT_TRUE(holder.held()) << holder.problem();
        Outcome o;
        QElapsedTimer clock;
        clock.start();
        int failedWhileHeld = 0;
        for (int i = 0; clock.elapsed() < seconds * 1000 + 500 && i < 20; ++i) {
            const std::string name = kind + "保存" + std::to_string(i);
            const bool said = saveNew(name, std::to_string(13800000000LL + i));
            failedWhileHeld += !said;
            tally(o, said, bookPath(), name);
        }
        ASSERT_TRUE(holder.waitReleased()) << holder.problem();
        for (int i = 100; i < 103; ++i) {
            const std::string name = kind + "保存" + std::to_string(i);
            const bool said = saveNew(name, std::to_string(13800000000LL + i));
            EXPECT_TRUE(said) << "the book is free again";
            tally(o, said, bookPath(), name);
        }
        RecordOutcome(caseName, o.runs, o.reported, o.stored, o.lost);
        EXPECT_GT(failedWhileHeld, 0) << "no save met the other program";
        EXPECT_EQ(o.lost, 0);
        EXPECT_EQ(o.extra, 0);
        EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
    }
};

TEST_F(SaveFaults, SavesWhileAnotherProgramReadsTheBook) {
    savesWhileHeld("read", 2.0, "record window saves, reader holds 2 s");
}

TEST_F(SaveFaults, SavesWhileAnotherProgramHoldsTheWriteLock) {
    savesWhileHeld("write", 3.0, "record window saves, write lock 3 s");
}

TEST_F(SaveFaults, SavesOntoADiskThatFillsUp) {
    SmallDisk disk(160 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.skipReason();
    const std::string book = disk.file("VRL3.mdb");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(bookPath()), QString::fromStdString(book)));
    DBConnection* connection = mainWindow().connection(T(MainControls::AddressBook));
    ASSERT_TRUE(connection->ConnectAccess(Text::fromUtf8(book))) << connection->ErrorText().toUtf8();
    refillList();
    disk.fillLeaving(24 * 1024);

    Outcome o;
    // A photo of about 11 KB: a few saves fill what is left.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(GradientImage(60, 60).save(&buffer, "BMP"));
    const Bytes photo(bmp.begin(), bmp.end());
    for (int i = 0; i < 12; ++i) {
        const std::string name = "满盘" + std::to_string(i);
        const bool said = saveNew(name, std::to_string(13900000000LL + i), photo);
        tally(o, said, book, name);
    }
    RecordOutcome("record window saves, disk fills", o.runs, o.reported, o.stored, o.lost);
    EXPECT_LT(o.reported, o.runs) << "the disk never filled";
    EXPECT_EQ(o.lost, 0);
    EXPECT_EQ(o.extra, 0);
    EXPECT_EQ(IntegrityCheck(book), "ok");
    connection->CloseConnection();
}

TEST_F(SaveFaults, SaveAndDeleteOnAReadOnlyBookSayTheyFailed) {
    addContact({{"姓名", "留下"}, {"手机", "13700000000"}});
    closeAllWindows();
    makeBookReadOnly();
    loadMainWindow();
    refillList();

    Outcome o;
    const bool said = saveNew("只读新建", "13700000001");
    tally(o, said, bookPath(), "只读新建");

    // Deleting the stored contact.
    openRow(0);
    takeMessages();
    click(mainWindow(), MainControls::DeleteButton);
    const auto deleting = takeMessages();
    ASSERT_FALSE(deleting.empty());
    EXPECT_EQ(deleting.back().rfind("删除失败！", 0), 0u) << deleting.back();
    EXPECT_TRUE(HasContactNamed(bookPath(), "留下"));
    RecordOutcome("record window save and delete, read-only book", 2, o.reported, o.stored, o.lost);
    EXPECT_EQ(o.lost, 0);
}

}  // namespace
