// Damaged copies of workbooks this program writes, cut short or with bits
// flipped, imported through the import/export window: none takes the
// program down, and every import ends in a message or a count.

#include "support/stages/transfer_fixture.h"
#include "transfer/import_export.h"

#include "services/window/report_list.h"
#include "ui/import_export_window_decl.h"

#include <iostream>
#include <random>

namespace {

class DamagedWorkbookTest : public TransferTest {
protected:
    void inWindow(const std::function<void(Window&)>& body) {
        runModal(
            "import_export", [this] { open_import_export_window(state_); }, body);
    }
};

// Seeded, so that every run tries the same copies.
std::string Damaged(const std::string& original, unsigned seed) {
    std::mt19937 random(seed);
    std::string copy = original;
    const unsigned kind = seed % 3;  // 0 cut, 1 flipped, 2 both
    if (kind != 0) {
        const int flips = 1 + static_cast<int>(random() % 16);
        for (int i = 0; i < flips; ++i) copy[random() % copy.size()] ^= static_cast<char>(1u << (random() % 8));
    }
    if (kind != 1) copy.resize(random() % copy.size());
    return copy;
}

TEST_F(DamagedWorkbookTest, NoneCrashesTheProgramAndEachEndsInAMessageOrACount) {
    for (int i = 0; i < 40; ++i) {
        addContact({{"姓名", "联系人" + std::to_string(i)},
                    {"手机", std::to_string(13800000000LL + i)},
                    {"生日", "1980-01-0" + std::to_string(1 + i % 9)},
                    {"备注", std::string(i * 10, 'x')}});
    }
    const std::string exported = folder_.file("book.xls");
    inWindow([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(exported);
        click(w, ImportExportControls::ExportButton);
    });
    ASSERT_EQ((*messages_)->texts(), std::vector<std::string>{"任务完成！"});
    const std::string original = FileBytes(exported);

    const unsigned copies = 300;
    const std::string damaged = folder_.file("damaged.xls");
    int failedToConnect = 0, readerCrashed = 0, otherMessages = 0, counted = 0;
    for (unsigned first = 0; first < copies; first += 30) {
        inWindow([&](Window& w) {
            for (unsigned seed = first; seed < first + 30; ++seed) {
                WriteFileBytes(damaged, Damaged(original, seed));
                const std::size_t before = (*messages_)->shown.size();
                w.control(T(ImportExportControls::ProgressText)).setText(Text());
                chooser_->answers.push_back(damaged);
                click(w, ImportExportControls::ImportButton);
                const std::string status = textOf(w, ImportExportControls::ProgressText);
                if ((*messages_)->shown.size() > before) {
                    const std::string message = (*messages_)->lastText();
                    if (message.rfind(damaged + "连接失败！\r\n", 0) == 0) {
                        ++failedToConnect;
                        readerCrashed += message.find("the sheet reader crashed") != std::string::npos;
                    } else {
                        ++otherMessages;
                    }
                } else if (status.rfind("共导入 ", 0) == 0) {
                    ++counted;
                } else {
                    ADD_FAILURE() << "copy " << seed << " ended in neither a message nor a count: " << status;
                }
            }
        });
    }
    std::cout << copies << " damaged copies: " << failedToConnect << " failed to connect (" << readerCrashed
              << " of them crashed the reader), " << otherMessages << " other messages, " << counted
              << " imported with a count\n";
    EXPECT_EQ(failedToConnect + otherMessages + counted, static_cast<int>(copies));
    EXPECT_GT(failedToConnect, 0);
    EXPECT_GT(counted, 0);
}

}  // namespace
