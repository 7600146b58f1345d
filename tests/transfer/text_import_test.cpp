// The text import window driven through its widgets: a file chosen through
// the file dialog seam, split, initials previewed, rows written to a fresh
// copy of the delivered address book.

#include "transfer/text_import.h"
#include "support/stages/transfer_fixture.h"

#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/report_list.h"
#include "ui/main_window_decl.h"
#include "ui/text_import_window_decl.h"

#include <QFile>

#include <sqlite3.h>

namespace {

class TextImportTest : public TransferTest {
protected:
    // Opens the window, chooses `file` in its dialog, then runs `body`.
    void withFile(const std::string& file, const std::function<void(Window&)>& body) {
        chooser_->answers.push_back(file);
        runModal(
            "text_import", [this] { open_text_import_window(state_); },
            [&](Window& w) {
                click(w, TextImportControls::OpenButton);
                body(w);
            });
    }

    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = folder_.file(name);
        WriteFileBytes(path, bytes);
        return path;
    }
};

TEST_F(TextImportTest, DeclaredWindowOpensWithItsDesignState) {
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [](Window& w) {
            EXPECT_EQ(w.title().toUtf8(), "导入数据");
            EXPECT_EQ(textOf(w, TextImportControls::SeparatorBox), ",");
            EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态：");
            EXPECT_FALSE(w.control(T(TextImportControls::SplitButton)).enabled());
            EXPECT_FALSE(w.control(T(TextImportControls::WriteButton)).enabled());
            EXPECT_TRUE(w.control(T(TextImportControls::OpenButton)).enabled());
            EXPECT_EQ(w.control(T(TextImportControls::NameBox)).width(), 96);
            EXPECT_EQ(w.dialog(T(TextImportControls::FileDialog))->title.toUtf8(), "打开待分割的文本文件");
        });
}

TEST_F(TextImportTest, SplitsPreviewsAndWritesEveryRowThenTheMainListShowsThem) {
    // Four fields, two fields, an empty line, five fields, and a last line
    // without a line break.
    const std::string file =
        writeFile("contacts.txt", Gbk("张三,13800138000,12345,zs@example.com\r\n李四,13900000000\r\n\r\n"
                                      "王五,13700000000,2,3,4,5\r\n赵六"));
    withFile(file, [&](Window& w) {
        EXPECT_TRUE(w.control(T(TextImportControls::SplitButton)).enabled());
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态： 共分割 5 条记录");
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "张三\n李四\n王五\n赵六\n");
        EXPECT_EQ(textOf(w, TextImportControls::MobileBox), "13800138000\n13900000000\n13700000000\n\n");
        EXPECT_EQ(textOf(w, TextImportControls::QqBox), "12345\n\n2\n\n");
        EXPECT_EQ(textOf(w, TextImportControls::EmailBox), "zs@example.com\n\n3\n\n");

        click(w, TextImportControls::InitialsButton);
        EXPECT_EQ(textOf(w, TextImportControls::InitialsBox), "zs\nls\nww\nzl\n");

        click(w, TextImportControls::WriteButton);
        EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态： 共导入 4 条记录");
        EXPECT_FALSE(w.control(T(TextImportControls::WriteButton)).enabled());
    });

    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 4u);
    ExpectColumns(
        stored[0],
        {{"姓名", "张三"}, {"手机", "13800138000"}, {"QQ", "12345"}, {"邮箱", "zs@example.com"}, {"首字母", "zs"}});
    EXPECT_EQ(stored[1]["手机"], "13900000000");
    EXPECT_EQ(stored[1]["QQ"], "");
    EXPECT_EQ(stored[2]["邮箱"], "3");  // the fifth piece and after are dropped
    EXPECT_EQ(stored[3]["姓名"], "赵六");
    // The window's closing refilled the main list.
    EXPECT_EQ(mainWindow().list(T(MainControls::ContactList))->ItemCount(), 4);
}

TEST_F(TextImportTest, ValuesAreStoredWithoutSurroundingBlanksAndWithTheirQuotes) {
    const std::string file = writeFile("quotes.txt", "O'Brien, 13800000000 , '1' ,a'b@example.com\r\n");
    withFile(file, [&](Window& w) {
        click(w, TextImportControls::SplitButton);
        click(w, TextImportControls::WriteButton);
    });
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 1u);
    ExpectColumns(stored[0],
                  {{"姓名", "O'Brien"}, {"手机", "13800000000"}, {"QQ", "'1'"}, {"邮箱", "a'b@example.com"}});
}

TEST_F(TextImportTest, Utf8WithAndWithoutByteOrderMarkAndGbkFilesAllReadAsChinese) {
    const std::string utf8 = "张三,13800000001\r\n";
    const std::string files[] = {writeFile("bom.txt", "\xEF\xBB\xBF" + utf8), writeFile("plain.txt", utf8),
                                 writeFile("gbk.txt", Gbk(utf8.c_str()))};
    for (const std::string& file : files) {
        withFile(file,
                 [&](Window& w) { EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "张三,13800000001\n") << file; });
    }
}

TEST_F(TextImportTest, AFileNamedOutsideTheCodePageOpens) {
    const std::string file = writeFile("Straße 😀.txt", Gbk("张三,13800000001\r\n"));
    withFile(file, [&](Window& w) { EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "张三,13800000001\n"); });
    EXPECT_TRUE((*messages_)->shown.empty());
}

// Chosen under "所有文件(*.*)": the file is the one named, without ".txt".
TEST_F(TextImportTest, AFileWithoutExtensionOpensAsChosen) {
    const std::string file = writeFile("contacts", "a,1\r\n");
    writeFile("contacts.txt", "wrong,2\r\n");
    withFile(file, [&](Window& w) { EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "a,1\n"); });
    ASSERT_EQ(chooser_->requests.size(), 1u);
    EXPECT_FALSE(chooser_->requests[0].save);
}

// The euro sign is the code page's one byte 0x80; the separator after it splits.
TEST_F(TextImportTest, ANameEndingInTheEuroSignSplitsAndIsStored) {
    const std::string file = writeFile("euro.txt", Gbk("张三€,13800138000\r\n€李四,13900000000\r\n"));
    withFile(file, [&](Window& w) {
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "张三€\n€李四\n");
        EXPECT_EQ(textOf(w, TextImportControls::MobileBox), "13800138000\n13900000000\n");
        click(w, TextImportControls::InitialsButton);
        EXPECT_EQ(textOf(w, TextImportControls::InitialsBox), "zs\nls\n");
    });
}

TEST_F(TextImportTest, UnixLineBreaksSplitLikeWindowsOnes) {
    const std::string file = writeFile("unix.txt", "a,1\nb,2\n");
    withFile(file, [&](Window& w) {
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "a\nb\n");
        EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态： 共分割 2 条记录");
    });
}

TEST_F(TextImportTest, AReadOnlyFileImports) {
    const std::string file = writeFile("readonly.txt", "甲,1\r\n");
    QFile::setPermissions(QString::fromStdString(file), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    withFile(file, [&](Window& w) { EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "甲,1\n"); });
}

TEST_F(TextImportTest, TheTextEndsAtAnEndOfFileMark) {
    const std::string file = writeFile("eof.txt",
                                       "a,1\r\nb,2\x1A"
                                       "c,3\r\n");
    withFile(file, [&](Window& w) { EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "a,1\nb,2"); });
}

TEST_F(TextImportTest, ABinaryFileIsRefusedWithAMessage) {
    const std::string file = writeFile("picture.txt", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    withFile(file, [&](Window& w) {
        EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "");
        EXPECT_FALSE(w.control(T(TextImportControls::SplitButton)).enabled());
    });
    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->lastText(), "所选文件不是文本文件：" + file);
}

TEST_F(TextImportTest, A50MegabyteFileIsRefusedAtOnceWithAMessage) {
    std::string big;
    big.reserve(50u * 1024 * 1024 + 64);
    while (big.size() < 50u * 1024 * 1024) big += "someone,13800000000,12345,someone@example.com\r\n";
    const std::string file = writeFile("big.txt", big);
    big.clear();
    withFile(file, [&](Window& w) {
        EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "");
        EXPECT_FALSE(w.control(T(TextImportControls::SplitButton)).enabled());
    });
    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_NE((*messages_)->lastText().find("文件太大"), std::string::npos);
    EXPECT_NE((*messages_)->lastText().find(file), std::string::npos);
}

TEST_F(TextImportTest, AFileJustUnderTheLimitLoads) {
    std::string text;
    while (text.size() + 64 < static_cast<std::size_t>(kMaxTextImportBytes))
        text += "abcdefghijklmnopqrstuvwxyz,12345678901\r\n";
    const std::string file = writeFile("limit.txt", text);
    withFile(file, [&](Window& w) {
        EXPECT_EQ(w.control(T(TextImportControls::SourceBox)).text().size() + text.size() / 40, text.size());
        EXPECT_TRUE((*messages_)->shown.empty());
    });
}

TEST_F(TextImportTest, AnEmptySeparatorPutsEachWholeLineIntoTheNames) {
    const std::string file = writeFile("lines.txt", "a,1\r\nb,2\r\n");
    withFile(file, [&](Window& w) {
        type(w, TextImportControls::SeparatorBox, "");
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "a,1\nb,2\n");
        EXPECT_EQ(textOf(w, TextImportControls::MobileBox), "\n\n");
    });
}

TEST_F(TextImportTest, ATwoCharacterSeparatorSplitsOnlyAtThatExactText) {
    const std::string file = writeFile("wide.txt", Gbk("张三，13800000000\r\n李四,13900000000\r\n"));
    withFile(file, [&](Window& w) {
        type(w, TextImportControls::SeparatorBox, "，");
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "张三\n李四,13900000000\n");
        EXPECT_EQ(textOf(w, TextImportControls::MobileBox), "13800000000\n\n");
        type(w, TextImportControls::SeparatorBox, "||");
        click(w, TextImportControls::SplitButton);
        EXPECT_EQ(textOf(w, TextImportControls::NameBox), "张三，13800000000\n李四,13900000000\n");
    });
}

TEST_F(TextImportTest, ShortColumnsArePaddedWithEmptyLinesBeforeWriting) {
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [](Window& w) {
            // Typed by hand into the columns; the write button needs a split first.
            w.control(T(TextImportControls::NameBox)).setText(T("甲\r\n乙\r\n丙\r\n"));
            w.control(T(TextImportControls::MobileBox)).setText(T("1\r\n"));
            w.control(T(TextImportControls::WriteButton)).setEnabled(true);
            click(w, TextImportControls::WriteButton);
            EXPECT_EQ(textOf(w, TextImportControls::MobileBox), "1\n\n\n");
            EXPECT_EQ(textOf(w, TextImportControls::EmailBox), "\n\n\n");
            EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态： 共导入 3 条记录");
        });
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0]["手机"], "1");
    EXPECT_EQ(stored[2]["姓名"], "丙");
    EXPECT_EQ(stored[2]["手机"], "");
}

TEST_F(TextImportTest, CancellingTheDialogChangesNothing) {
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [](Window& w) {
            w.control(T(TextImportControls::SourceBox)).setText(T("kept"));
            click(w, TextImportControls::OpenButton);
            EXPECT_EQ(textOf(w, TextImportControls::SourceBox), "kept");
            EXPECT_FALSE(w.control(T(TextImportControls::SplitButton)).enabled());
        });
    EXPECT_EQ(chooser_->requests.size(), 1u);
    EXPECT_FALSE(chooser_->requests[0].save);
}

TEST_F(TextImportTest, TheSeparatorBoxShowsItsAdviceInTheBalloon) {
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [](Window& w) {
            show_separator_hint(w);
            BalloonTip* balloon = w.balloon(T(TextImportControls::Balloon));
            ASSERT_NE(balloon, nullptr);
            EXPECT_TRUE(balloon->isPending() || balloon->isTipVisible());
            EXPECT_EQ(balloon->currentText().toUtf8(),
                      "用作分隔的字符，请根据实际情况修改本字符，注意 大小写 全角 半角");
            const QPoint corner = w.control(T(TextImportControls::SeparatorBox)).widget()->mapToGlobal(QPoint(0, 0));
            EXPECT_EQ(balloon->targetPoint(), corner);
        });
}

TEST_F(TextImportTest, WritingTwiceInsertsEveryRowTwice) {
    const std::string file = writeFile("twice.txt", "a,1\r\n");
    withFile(file, [&](Window& w) {
        click(w, TextImportControls::SplitButton);
        click(w, TextImportControls::WriteButton);
        click(w, TextImportControls::SplitButton);
        click(w, TextImportControls::WriteButton);
    });
    EXPECT_EQ(storedContacts().size(), 2u);
}

}  // namespace

TEST_F(TextImportTest, RowsTheBookRefusesAreNotCountedAndAreReported) {
    execOnFile(
        "CREATE TRIGGER refuse BEFORE INSERT ON 通讯录 WHEN NEW.姓名 = '坏' "
        "BEGIN SELECT RAISE(ABORT, 'refused by the book'); END");
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [](Window& w) {
            w.control(T(TextImportControls::NameBox)).setText(T("甲\r\n坏\r\n丙\r\n"));
            w.control(T(TextImportControls::WriteButton)).setEnabled(true);
            click(w, TextImportControls::WriteButton);
            EXPECT_EQ(textOf(w, TextImportControls::StatusLabel), "状态： 共导入 2 条记录");
        });
    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->lastText(),
              "共 3 条记录\r\n成功添加 2 条记录\r\n未能添加 1 条记录\r\n原因：refused by the book");
    EXPECT_EQ(storedContacts().size(), 2u);
}

TEST_F(TextImportTest, AGroupWhoseCommitFailsIsNotCountedAndTheBookStaysUsable) {
    // Another reader in the middle of a read transaction until the write ends:
    // the commit waits, then fails.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(bookPath().c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM 通讯录;", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto writeRows = [&](const char* names) {
        runModal(
            "text_import", [this] { open_text_import_window(state_); },
            [&](Window& w) {
                w.control(T(TextImportControls::NameBox)).setText(T(names));
                w.control(T(TextImportControls::WriteButton)).setEnabled(true);
                click(w, TextImportControls::WriteButton);
            });
    };
    writeRows("甲\r\n乙\r\n");
    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->lastText().rfind("共 2 条记录\r\n成功添加 0 条记录\r\n未能添加 2 条记录\r\n原因：", 0), 0u)
        << (*messages_)->lastText();
    ASSERT_EQ(sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(reader);
    EXPECT_TRUE(storedContacts().empty());
    // No transaction was left open: the next write is stored.
    writeRows("丙\r\n");
    EXPECT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ(storedContacts().size(), 1u);
}
