#include "transfer/text_import.h"

#include "contacts/contact_list.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "transfer/batched_writes.h"
#include "transfer/event_pump.h"
#include "transfer/transfer_text.h"
#include "ui/main_window_decl.h"
#include "ui/text_import_window_decl.h"

#include <QFileInfo>
#include <QPointer>
#include <QWidget>

#include <array>

namespace {

const Text kLineBreak = Text::fromBytes("\r\n");

Control Box(Window& window, const char* name) { return window.control(T(name)); }

// The column boxes in the order of the pieces of a line.
std::array<Control, 4> ColumnBoxes(Window& window) {
    return {Box(window, TextImportControls::NameBox), Box(window, TextImportControls::MobileBox),
            Box(window, TextImportControls::QqBox), Box(window, TextImportControls::EmailBox)};
}

// Disables the buttons that start work for its lifetime, then gives back
// each one's earlier state, except 按钮_写入数据库, which a write leaves disabled.
class ButtonsDisabledDuringWrite {
public:
    explicit ButtonsDisabledDuringWrite(Window& window)
        : buttons_{Box(window, TextImportControls::OpenButton), Box(window, TextImportControls::SplitButton),
                   Box(window, TextImportControls::InitialsButton)} {
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            wasEnabled_[i] = buttons_[i].enabled();
            buttons_[i].setEnabled(false);
        }
        Box(window, TextImportControls::WriteButton).setEnabled(false);
    }
    ~ButtonsDisabledDuringWrite() {
        for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i].setEnabled(wasEnabled_[i]);
    }
    ButtonsDisabledDuringWrite(const ButtonsDisabledDuringWrite&) = delete;
    ButtonsDisabledDuringWrite& operator=(const ButtonsDisabledDuringWrite&) = delete;

private:
    std::array<Control, 3> buttons_;
    std::array<bool, 3> wasEnabled_{};
};

}  // namespace

void open_text_file(Window& window) {
    Control dialog = Box(window, TextImportControls::FileDialog);
    if (!ShowCommonDialog(dialog)) return;
    const Text file = dialog.text();
    const QFileInfo info(file.toQFileName());
    if (info.exists() && info.size() > kMaxTextImportBytes) {
        ShowMessage(T("文件太大，无法导入：") + file + kLineBreak + T("一次最多导入 ") +
                        TextOf(kMaxTextImportBytes / (1024 * 1024)) + T(" MB 的文本，请把文件分成几份。"),
                    MessageStyle::kInformation, T("提示！"));
        return;
    }
    const DecodedTextFile decoded = DecodeTextFile(ReadFile(file));
    if (decoded.binary) {
        ShowMessage(T("所选文件不是文本文件：") + file, MessageStyle::kInformation, T("提示！"));
        return;
    }
    Box(window, TextImportControls::SourceBox).setText(decoded.text);
    Box(window, TextImportControls::SplitButton).setEnabled(true);
}

void show_separator_hint(Window& window) {
    Control separator = Box(window, TextImportControls::SeparatorBox);
    BalloonTip* balloon = window.balloon(T(TextImportControls::Balloon));
    QWidget* widget = separator.widget();
    if (!balloon || !widget) return;
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    balloon->ShowTipAt(at.x(), at.y(), T("用作分隔的字符，请根据实际情况修改本字符，注意 大小写 全角 半角"), -1, true);
}

void split_text(Window& window) {
    const Text separator = Box(window, TextImportControls::SeparatorBox).text();
    const TextArray lines = SplitText(EditBoxText(Box(window, TextImportControls::SourceBox)), kLineBreak);
    // The columns are gathered first and shown at once: appending line by
    // line to the boxes costs a layout per line.
    std::array<Text, 4> columns;
    for (const Text& line : lines) {
        const TextArray pieces = SplitText(line, separator, 4);
        if (pieces.empty()) continue;  // an empty line: no row in any column
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c < pieces.size()) columns[c] += pieces[c];
            columns[c] += kLineBreak;
        }
    }
    auto boxes = ColumnBoxes(window);
    for (std::size_t c = 0; c < boxes.size(); ++c) boxes[c].setText(columns[c]);
    Box(window, TextImportControls::InitialsBox).setText(Text());
    Box(window, TextImportControls::StatusLabel)
        .setText(T("状态： 共分割 ") + TextOf(static_cast<long long>(lines.size())) + T(" 条记录"));
    Box(window, TextImportControls::WriteButton).setEnabled(true);
}

void preview_initials(Window& window) {
    Text initials;
    for (const Text& name : SplitText(EditBoxText(Box(window, TextImportControls::NameBox)), kLineBreak))
        initials += NameInitials(name, 4) + kLineBreak;
    Box(window, TextImportControls::InitialsBox).setText(initials);
}

void write_rows_to_book(Window& window) {
    const auto boxes = ColumnBoxes(window);
    std::array<TextArray, 4> columns;
    for (std::size_t c = 0; c < boxes.size(); ++c) columns[c] = SplitText(EditBoxText(boxes[c]), kLineBreak);
    const std::size_t names = columns[0].size();
    // Short columns get empty entries, shown as empty lines in their boxes.
    for (std::size_t c = 1; c < columns.size(); ++c) {
        if (columns[c].size() >= names) continue;
        const std::size_t missing = names - columns[c].size();
        Text padding;
        for (std::size_t k = 0; k < missing; ++k) padding += kLineBreak;
        AppendEditText(boxes[c], {padding});
        columns[c].resize(names);
    }

    // The buttons that start work are disabled while the rows are written
    // (events run meanwhile), so that no click starts a second run inside
    // this one or changes the columns; the write button stays disabled after.
    ButtonsDisabledDuringWrite disabled(window);
    // The book belongs to the main window, which stays while the rows are written.
    WindowHold bookOwner(MainWindow());
    Control status = Box(window, TextImportControls::StatusLabel);
    DBConnection* book = MainAddressBook();
    BatchedWrites batch(book);
    EventPump pump;
    // The count shown is of the rows in the file: a row the book refuses, or
    // one of a group whose commit fails, is not counted.
    const auto showStored = [&] { status.setText(T("状态： 共导入 ") + TextOf(batch.stored()) + T(" 条记录")); };
    for (std::size_t i = 0; i < names; ++i) {
        // Blanks around a value are the file's layout, not part of the value.
        const Text name = TrimSpaces(columns[0][i]);
        const Text sql = TextImportInsertSql(name, TrimSpaces(columns[1][i]), TrimSpaces(columns[2][i]),
                                             TrimSpaces(columns[3][i]), NameInitials(name, 4));
        batch.rowWritten(book && book->ExecuteSql(sql));
        showStored();
        // Keeps the window painting; a closed window ends the import.
        if (!pump.keepGoing(window)) {
            batch.finish();
            return;
        }
    }
    batch.finish();
    showStored();
    if (batch.lost() > 0) {
        Text message = T("共 ") + TextOf(static_cast<long long>(names)) + T(" 条记录\r\n成功添加 ") +
                       TextOf(batch.stored()) + T(" 条记录\r\n未能添加 ") + TextOf(batch.lost()) + T(" 条记录");
        if (!batch.reason().empty()) message += T("\r\n原因：") + Text::fromUtf8(batch.reason());
        ShowMessage(message, MessageStyle::kInformation, T("提示！"));
    }
}

HandlerTable text_import_handlers(ProgramState& state) {
    return {
        {kOpenTextFileHandler, [](const EventArgs& e) { open_text_file(e.window); }},
        {kShowSeparatorHintHandler, [](const EventArgs& e) { show_separator_hint(e.window); }},
        {kSplitTextHandler, [](const EventArgs& e) { split_text(e.window); }},
        {kPreviewInitialsHandler, [](const EventArgs& e) { preview_initials(e.window); }},
        {kWriteRowsToBookHandler, [](const EventArgs& e) { write_rows_to_book(e.window); }},
        // The new contacts appear in the main list.
        {kTextImportClosingHandler, [&state](const EventArgs&) { fill_contact_list(state, kAllContacts); }},
    };
}

void open_text_import_window(ProgramState& state) {
    LoadWindow(TextImportWindowDecl(), text_import_handlers(state), true);
}
