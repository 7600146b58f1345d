// ShowMessage through the presenter seam, and the fatal runtime report.

#include "services/core/core.h"
#include "services/core/message.h"
#include "support/recording_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

TEST(ShowMessageTest, PassesCaptionTextAndFlags) {
    ScopedPresenter p;
    p->answers = {1};
    EXPECT_EQ(ShowMessage(T("真的要删除本记录吗！"), 49, T("警告！")), 1);
    ASSERT_EQ(p->shown.size(), 1u);
    EXPECT_EQ(p->shown[0].caption, T("警告！"));
    EXPECT_EQ(p->lastText(), "真的要删除本记录吗！");
    EXPECT_EQ(p->shown[0].flags, 49 | 0x2000);
}

TEST(ShowMessageTest, DefaultCaptionAndContentConversions) {
    ScopedPresenter p;
    ShowMessage(std::int32_t{42});
    EXPECT_EQ(p->shown.back().caption, T("信息："));
    EXPECT_EQ(p->lastText(), "42");
    ShowMessage(true);
    EXPECT_EQ(p->lastText(), "真");
    ShowMessage(DateTime{45356});
    EXPECT_EQ(p->lastText(), "2024年3月5日");
    ShowMessage(Bytes{'a', 'b'});
    EXPECT_EQ(p->lastText(), "");
    ShowMessage(Subroutine{5});
    EXPECT_EQ(p->lastText(), "");
}

TEST(ShowMessageTest, SystemModalKeepsItsBit) {
    ScopedPresenter p;
    ShowMessage(T("x"), 0x1000 | 64);
    EXPECT_EQ(p->shown.back().flags, 0x1000 | 64);
    ShowMessage(T("x"), 0x2000);
    EXPECT_EQ(p->shown.back().flags, 0x2000);
}

TEST(ShowMessageTest, UnknownAnswersBecomeOk) {
    ScopedPresenter p;
    p->answers = {7, -1, 6};
    EXPECT_EQ(ShowMessage(T("x"), 4), 0);
    EXPECT_EQ(ShowMessage(T("x"), 4), 0);
    EXPECT_EQ(ShowMessage(T("x"), 4), 6);
}

TEST(MessagePresenterTest, SwapReturnsPrevious) {
    auto first = std::make_shared<RecordingPresenter>();
    auto second = std::make_shared<RecordingPresenter>();
    auto original = SetMessagePresenter(first);
    EXPECT_EQ(SetMessagePresenter(second), first);
    ShowMessage(T("to second"));
    EXPECT_TRUE(first->shown.empty());
    EXPECT_EQ(second->shown.size(), 1u);
    EXPECT_EQ(SetMessagePresenter(original), second);
}

TEST(MessagePresenterTest, ConcurrentSwapsAndShows) {
    auto recorder = std::make_shared<RecordingPresenter>();
    auto original = SetMessagePresenter(recorder);
    std::thread swapper([&] {
        for (int i = 0; i < 2000; ++i) SetMessagePresenter(std::make_shared<RecordingPresenter>());
    });
    for (int i = 0; i < 2000; ++i) ShowMessage(T("x"));
    swapper.join();
    SetMessagePresenter(original);
    SUCCEED();
}

// The real presenter: a Qt message box, answered by clicking its buttons.
class QtMessageBoxTest : public ::testing::Test {
protected:
    // Clicks the button with `role` text of the next message box shown.
    void clickWhenShown(QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [this, which] { clickLater(which, 100); });
    }

    QMessageBox* lastBox = nullptr;
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    int buttonCount = 0;

private:
    void clickLater(QMessageBox::StandardButton which, int triesLeft) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            buttonCount = static_cast<int>(box->buttons().size());
            if (QAbstractButton* b = box->button(which)) b->click();
            return;
        }
        if (triesLeft > 0) QTimer::singleShot(10, [this, which, triesLeft] { clickLater(which, triesLeft - 1); });
    }
};

TEST_F(QtMessageBoxTest, OkCancelWithExclamation) {
    clickWhenShown(QMessageBox::Cancel);
    EXPECT_EQ(ShowMessage(T("真的要删除全部记录吗！"), 49, T("警告！")), 1);
    EXPECT_EQ(seenTitle, QString::fromUtf8("警告！"));
    EXPECT_EQ(seenText, QString::fromUtf8("真的要删除全部记录吗！"));
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
    EXPECT_EQ(buttonCount, 2);
}

TEST_F(QtMessageBoxTest, ButtonSetsMapToNumbers) {
    clickWhenShown(QMessageBox::Ok);
    EXPECT_EQ(ShowMessage(T("a"), 64), 0);
    EXPECT_EQ(seenIcon, QMessageBox::Information);
    EXPECT_EQ(seenTitle, QString::fromUtf8("信息："));

    clickWhenShown(QMessageBox::No);
    EXPECT_EQ(ShowMessage(T("a"), 4 | 0x20), 6);
    EXPECT_EQ(seenIcon, QMessageBox::Question);
    EXPECT_EQ(buttonCount, 2);

    clickWhenShown(QMessageBox::Yes);
    EXPECT_EQ(ShowMessage(T("a"), 3), 5);
    EXPECT_EQ(buttonCount, 3);

    clickWhenShown(QMessageBox::Ignore);
    EXPECT_EQ(ShowMessage(T("a"), 2 | 0x10), 4);
    EXPECT_EQ(seenIcon, QMessageBox::Critical);

    clickWhenShown(QMessageBox::Abort);
    EXPECT_EQ(ShowMessage(T("a"), 2), 2);

    clickWhenShown(QMessageBox::Retry);
    EXPECT_EQ(ShowMessage(T("a"), 5), 3);
}

TEST_F(QtMessageBoxTest, LineBreaksShownAsLines) {
    clickWhenShown(QMessageBox::Ok);
    ShowMessage(Text::fromBytes("one\r\ntwo"));
    EXPECT_EQ(seenText, QStringLiteral("one\ntwo"));
}

TEST(FatalRuntimeErrorTest, ReportText) {
    EXPECT_EQ(FatalRuntimeReportText(T("坏了")).toUtf8(), "运行时出错!\r\n\r\n错误信息：坏了\r\n");
    EXPECT_EQ(FatalRuntimeReportText(T("坏了"), 5).toUtf8(), "运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：坏了\r\n");
}

TEST(FatalRuntimeErrorTest, ShowsReportThenExitsWithMinusOne) {
    // Re-run in a fresh process: forking a process with Qt's threads is unsafe.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Inside the dying process the recorder writes what it was shown to
    // stderr, where the death test can see it.
    class Echo : public MessagePresenter {
    public:
        int present(const MessageRequest& r) override {
            std::fprintf(stderr, "[%s|%s|%d]", r.caption.toUtf8().c_str(), r.text.toUtf8().c_str(), r.flags);
            return 0;
        }
    };
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<Echo>());
            BytesValue(Bytes{}, 99);
        },
        ::testing::ExitedWithCode(255),
        "\\[错误\\|运行时出错!\r\n\r\n错误信息：“欲取出数据的类型”参数值无效\r\n\\|8208\\]");
}
