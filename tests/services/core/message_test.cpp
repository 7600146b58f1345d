// ShowMessage through the presenter seam, and the fatal runtime report.

#include "services/core/message.h"
#include "services/core/core.h"
#include "support/recording_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using namespace MessageStyle;
using namespace MessageAnswer;

// The names stand for the numbers callers have always passed and received.
static_assert(kOkCancel + kWarning == 49 && kInformation == 64 && kError == 16 && kWarning == 48);
static_assert(kOk == 0 && kCancel == 1 && kAbort == 2 && kRetry == 3 && kIgnore == 4 && kYes == 5 && kNo == 6);

TEST(ShowMessageTest, PassesCaptionTextAndFlags) {
    ScopedPresenter p;
    p->answers = {kCancel};
    EXPECT_EQ(ShowMessage(T("真的要删除本记录吗！"), kOkCancel | kWarning, T("警告！")), kCancel);
    ASSERT_EQ(p->shown.size(), 1u);
    EXPECT_EQ(p->shown[0].caption, T("警告！"));
    EXPECT_EQ(p->lastText(), "真的要删除本记录吗！");
    EXPECT_EQ(p->shown[0].flags, kOkCancel | kWarning | kTaskModal);
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
    ShowMessage(T("x"), kSystemModal | kInformation);
    EXPECT_EQ(p->shown.back().flags, kSystemModal | kInformation);
    ShowMessage(T("x"), kTaskModal);
    EXPECT_EQ(p->shown.back().flags, kTaskModal);
}

TEST(ShowMessageTest, UnknownAnswersBecomeOk) {
    ScopedPresenter p;
    p->answers = {7, -1, kNo};
    EXPECT_EQ(ShowMessage(T("x"), kYesNo), kOk);
    EXPECT_EQ(ShowMessage(T("x"), kYesNo), kOk);
    EXPECT_EQ(ShowMessage(T("x"), kYesNo), kNo);
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
    EXPECT_EQ(ShowMessage(T("真的要删除全部记录吗！"), kOkCancel | kWarning, T("警告！")), kCancel);
    EXPECT_EQ(seenTitle, QString::fromUtf8("警告！"));
    EXPECT_EQ(seenText, QString::fromUtf8("真的要删除全部记录吗！"));
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
    EXPECT_EQ(buttonCount, 2);
}

TEST_F(QtMessageBoxTest, ButtonSetsMapToNumbers) {
    clickWhenShown(QMessageBox::Ok);
    EXPECT_EQ(ShowMessage(T("a"), kInformation), kOk);
    EXPECT_EQ(seenIcon, QMessageBox::Information);
    EXPECT_EQ(seenTitle, QString::fromUtf8("信息："));

    clickWhenShown(QMessageBox::No);
    EXPECT_EQ(ShowMessage(T("a"), kYesNo | kQuestion), kNo);
    EXPECT_EQ(seenIcon, QMessageBox::Question);
    EXPECT_EQ(buttonCount, 2);

    clickWhenShown(QMessageBox::Yes);
    EXPECT_EQ(ShowMessage(T("a"), kYesNoCancel), kYes);
    EXPECT_EQ(buttonCount, 3);

    clickWhenShown(QMessageBox::Ignore);
    EXPECT_EQ(ShowMessage(T("a"), kAbortRetryIgnore | kError), kIgnore);
    EXPECT_EQ(seenIcon, QMessageBox::Critical);

    clickWhenShown(QMessageBox::Abort);
    EXPECT_EQ(ShowMessage(T("a"), kAbortRetryIgnore), kAbort);

    clickWhenShown(QMessageBox::Retry);
    EXPECT_EQ(ShowMessage(T("a"), kRetryCancel), kRetry);
}

TEST_F(QtMessageBoxTest, LineBreaksShownAsLines) {
    clickWhenShown(QMessageBox::Ok);
    ShowMessage(Text::fromBytes("one\r\ntwo"));
    EXPECT_EQ(seenText, QStringLiteral("one\ntwo"));
}

TEST(FatalRuntimeErrorTest, ReportText) {
    EXPECT_EQ(FatalRuntimeReportText(T("坏了")).toUtf8(), "运行时出错!\r\n\r\n错误信息：坏了\r\n");
    EXPECT_EQ(FatalRuntimeReportText(T("坏了"), 5).toUtf8(),
              "运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：坏了\r\n");
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
