#pragma once
// What the stages of the window tests on a book share: a fresh copy of the
// delivered VRL3.mdb in a temporary folder that is the working folder, a
// scripted file chooser and a recording message presenter. At the end every
// window is closed and the working folder and the chooser are put back.

#include "services/window/file_chooser.h"
#include "services/window/window.h"
#include "support/recording_presenter.h"
#include "support/scripted_chooser.h"
#include "support/temp_folder.h"
#include "support/window_driver.h"
#include "ui/program_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class BookStage : public ::testing::Test, protected WindowDriver {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string bookPath() const { return folder_.file("VRL3.mdb"); }
    // The loaded main window; throws when there is none.
    Window& mainWindow() const;

    TempFolder folder_;
    ProgramState state_;
    std::shared_ptr<ScriptedChooser> chooser_ = std::make_shared<ScriptedChooser>();
    std::unique_ptr<ScopedPresenter> messages_;

private:
    std::string previousFolder_;
    std::shared_ptr<FileChooser> previousChooser_;
};
