// Two desktops on one shared book at once: this test's program and a second
// process (tests/shared_book_desktop) with the same Peizhi.ini line.

#include "shared_book_stage.h"

#include "contacts/contact_list.h"
#include "support/address_book_copy.h"
#include "ui/record_window_decl.h"

#include <QProcess>

#include <fstream>
#include <memory>

namespace {

const char* kChangedElsewhere = "该联系人已被其他用户修改，请重新打开后再保存。";

// The other desktop: a process of its own, one command at a time.
class Desktop {
public:
    Desktop(const std::string& folder, const std::string& connection) {
        CopyProgramFolder(folder);
        std::ofstream(folder + "/Peizhi.ini", std::ios::binary)
            << Text::fromUtf8("[数据库]\r\n连接=" + connection + "\r\n").bytes();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(VARELO_DESKTOP_CHILD, {QString::fromStdString(folder)});
        ready_ = readUntil("ready") == std::vector<std::string>{};
    }
    ~Desktop() {
        process_.write("quit\n");
        if (!process_.waitForFinished(30000)) process_.kill();
        process_.waitForFinished();
    }
    bool ready() const { return ready_; }

    void send(const std::string& command) {
        process_.write((command + "\n").c_str());
        process_.waitForBytesWritten();
    }
    // The lines it answered before "ok".
    std::vector<std::string> answer() { return readUntil("ok"); }
    std::vector<std::string> run(const std::string& command) {
        send(command);
        return answer();
    }

private:
    std::vector<std::string> readUntil(const std::string& end) {
        std::vector<std::string> lines;
        for (;;) {
            while (!process_.canReadLine())
                if (!process_.waitForReadyRead(120000)) {
                    ADD_FAILURE() << "the other desktop did not answer";
                    return lines;
                }
            std::string line = process_.readLine().toStdString();
            if (!line.empty() && line.back() == '\n') line.pop_back();
            if (line == end) return lines;
            lines.push_back(line);
        }
    }

    QProcess process_;
    bool ready_ = false;
};

}  // namespace

TEST_F(SharedBookTest, WhatOneDesktopSavesTheOtherSeesAndAStaleSaveIsRefused) {
    ASSERT_TRUE(db_.ready());
    addServerContact("张三", "13800000001");
    addServerContact("李四", "13800000002");
    useServerBook();
    loadMain();
    Window& record = openRow(1);
    ASSERT_EQ(textOf(record, RecordControls::NameBox), "张三");

    Desktop other(folder_.file("desktop2"), db_.connection());
    ASSERT_TRUE(other.ready());
    EXPECT_EQ(other.run("open 张三"), std::vector<std::string>{});
    other.run("type mobile 13922222222");
    EXPECT_EQ(other.run("save"), (std::vector<std::string>{"said 保存成功！"}));

    // Seen here at the next refill of the list.
    fill_contact_list(program_->state(), kAllContacts);
    EXPECT_EQ(listRows(), (std::vector<std::string>{"李四|13800000002", "张三|13922222222"}));
    // The record window here still holds what it read before: its save is refused.
    type(record, RecordControls::RemarkBox, "这里的备注");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kChangedElsewhere}));
    EXPECT_EQ(psql("select 手机 || '|' || coalesce(备注, '(null)') from 通讯录 where 姓名 = '张三'"),
              "13922222222|(null)");

    // Reopened and saved here; the other desktop sees it at its next refill,
    // and its own stale record window is refused in turn.
    openRow(1);
    type(record, RecordControls::RemarkBox, "这里的备注");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！"}));
    other.run("type remark 那边的备注");
    EXPECT_EQ(other.run("save"), (std::vector<std::string>{std::string("said ") + kChangedElsewhere}));
    EXPECT_EQ(other.run("list"), (std::vector<std::string>{"row 李四|13800000002", "row 张三|13922222222"}));
    EXPECT_EQ(psql("select 备注 from 通讯录 where 姓名 = '张三'"), "这里的备注");
}

TEST_F(SharedBookTest, TwoBatchWindowsAtOnceStoreEveryAttributionOnce) {
    ASSERT_TRUE(db_.ready());
    std::string values;
    for (int i = 0; i < 40; ++i)
        values += std::string(values.empty() ? "" : ",") + "('联系人" + std::to_string(i) + "', '1380013" +
                  std::to_string(8000 + i) + "')";
    psql("insert into 通讯录 (姓名, 手机) values " + values);
    // Every write of an attribution, counted by the server itself.
    ASSERT_EQ(psql("create table 写入 (编号 integer);"
                   "create function 记下写入() returns trigger language plpgsql as "
                   "$$ begin insert into 写入 values (new.编号); return new; end $$;"
                   "create trigger 归属地写入 after update of 归属地 on 通讯录 "
                   "for each row execute function 记下写入()"),
              "");

    Desktop first(folder_.file("desktop1"), db_.connection());
    Desktop second(folder_.file("desktop2"), db_.connection());
    ASSERT_TRUE(first.ready() && second.ready());
    // Both read the contacts before either stores anything, then both run at once.
    first.run("batch-open");
    second.run("batch-open");
    first.send("batch-run");
    second.send("batch-run");
    EXPECT_EQ(first.answer(), (std::vector<std::string>{"status 获取已完成！！！"}));
    EXPECT_EQ(second.answer(), (std::vector<std::string>{"status 获取已完成！！！"}));

    EXPECT_EQ(psql("select count(*) from 通讯录 where coalesce(归属地, '') = ''"), "0");
    EXPECT_EQ(psql("select count(*) || '|' || count(distinct 编号) from 写入"), "40|40");
}
