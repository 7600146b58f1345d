// The record window closed while its save runs (during the "保存成功！"
// message), by every way a user or the code closes it, from its own save
// button and from the main window's: nothing crashes, the main window runs
// on, the book is intact and holds what the window said it saved.

#include "contacts/record_editor.h"
#include "services/window/commands.h"
#include "support/close_way.h"
#include "support/stages/record_fixture.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QTest>

using namespace record_tests;

namespace {

class RecordClosingDuringSave : public RecordWindowTest, public ::testing::WithParamInterface<CloseWay> {
protected:
    // A new contact typed into the record window, saved with `saveButton`
    // of `owner`, the window closed while the save says it succeeded.
    void saveNewAndClose(const char* ownerId, const char* saveButton) {
        pressNew();
        Window& record = recordWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(record.widget()));
        type(record, RecordControls::NameBox, "新人");
        type(record, RecordControls::MobileBox, "15912345678");
        type(record, RecordControls::EmailBox, "new@example.com");
        bool closed = false;
        (*messages_)->whileShown = [&](const MessageRequest& message) {
            if (message.text.toUtf8() != "保存成功！" || closed) return;
            closed = true;
            CloseBy(GetParam(), recordWindow());
        };
        click(*FindWindow(ownerId), saveButton);
        (*messages_)->whileShown = nullptr;
        QCoreApplication::processEvents();
        EXPECT_TRUE(closed);
    }

    void expectSavedIntactAndRunning() {
        EXPECT_EQ(takeMessages(), std::vector<std::string>{"保存成功！"});
        EXPECT_EQ(FindWindow("record"), nullptr);
        EXPECT_FALSE(state_.recordWindowOpen);
        EXPECT_FALSE(state_.newRecordPending);
        EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
        const auto rows = storedContacts();
        ASSERT_EQ(rows.size(), 1u);
        ExpectColumns(rows[0], {{"姓名", Gbk("新人")}, {"手机", "15912345678"}, {"邮箱", "new@example.com"}});
        // The main window runs on: its list shows the new contact and the
        // record window opens again on it.
        ASSERT_EQ(listRows(), 1);
        EXPECT_EQ(listText(0, 0), "新人");
        openRow(0);
        EXPECT_EQ(textOf(recordWindow(), RecordControls::EmailBox), "new@example.com");
    }
};

TEST_P(RecordClosingDuringSave, FromItsOwnSaveButton) {
    saveNewAndClose("record", RecordControls::SaveButton);
    expectSavedIntactAndRunning();
}

// The main window's save button runs a handler of the main window that uses
// the record window: the save holds that window too.
TEST_P(RecordClosingDuringSave, FromTheMainWindowsSaveButton) {
    saveNewAndClose("main", MainControls::SaveButton);
    expectSavedIntactAndRunning();
}

INSTANTIATE_TEST_SUITE_P(EveryWay, RecordClosingDuringSave, VARELO_EVERY_CLOSE_WAY);

}  // namespace
