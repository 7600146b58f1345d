#include "support/stages/book_stage.h"

#include "services/window/commands.h"
#include "support/address_book_copy.h"

#include <QDir>

#include <stdexcept>

void BookStage::SetUp() {
    previousFolder_ = QDir::currentPath().toStdString();
    ASSERT_TRUE(CopyDeliveredBook(bookPath()));
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder_.path())));
    previousChooser_ = SetFileChooser(chooser_);
    messages_ = std::make_unique<ScopedPresenter>();
}

void BookStage::TearDown() {
    closeAllWindows();
    messages_.reset();
    SetFileChooser(previousChooser_);
    QDir::setCurrent(QString::fromStdString(previousFolder_));
}

Window& BookStage::mainWindow() const {
    Window* main = FindWindow("main");
    if (!main) throw std::runtime_error("no main window");
    return *main;
}
