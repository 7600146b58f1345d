// The main list after a save or a delete from the record window: it shows
// exactly what a full refill of the list shows, while reading again only the
// rows and groups the change touched.

#include "contacts/contact_list.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "support/stages/record_fixture.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QComboBox>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <random>

using namespace record_tests;

namespace {

// What the main window shows of the contacts.
struct MainView {
    std::vector<std::string> rows;  // "name|mobile", every row
    std::string count;
    int selection = -1;
    int focused = -1;
    int scroll = 0;
    std::vector<std::string> groups;
    int groupIndex = -1;
    std::string groupText;
    bool clearShown = false;
    bool deleteEnabled = false;
    bool saveEnabled = false;
    bool operator==(const MainView&) const = default;
};

std::ostream& operator<<(std::ostream& out, const MainView& v) {
    out << v.count << " sel " << v.selection << " focus " << v.focused << " scroll " << v.scroll << " group "
        << v.groupIndex << " '" << v.groupText << "' clear " << v.clearShown << " delete " << v.deleteEnabled
        << " save " << v.saveEnabled << "\n rows:";
    for (const auto& r : v.rows) out << " " << r;
    out << "\n groups:";
    for (const auto& g : v.groups) out << " [" << g << "]";
    return out;
}

class ListAfterSave : public RecordWindowTest {
protected:
    ReportList& list() { return *mainWindow().list(T(MainControls::ContactList)); }
    RecordSet& contacts() { return *mainWindow().recordSet(T(MainControls::Contacts)); }
    QComboBox& groupBox() {
        return *qobject_cast<QComboBox*>(mainWindow().control(T(MainControls::GroupFilter)).widget());
    }
    bool searching() { return mainWindow().control(T(MainControls::SearchBox)).text() != state_.searchPlaceholder; }

    MainView view() {
        MainView v;
        for (int row = 0; row < list().ItemCount(); ++row)
            v.rows.push_back(list().GetItemText(row, 0).toUtf8() + "|" + list().GetItemText(row, 1).toUtf8());
        v.count = textOf(mainWindow(), MainControls::CountLabel);
        v.selection = list().currentSelection();
        v.focused = list().focusedRow();
        v.scroll = list().verticalScrollBar()->value();
        for (int i = 0; i < groupBox().count(); ++i) v.groups.push_back(groupBox().itemText(i).toStdString());
        v.groupIndex = groupBox().currentIndex();
        v.groupText = groupBox().currentText().toStdString();
        v.clearShown = mainWindow().control(T(MainControls::ClearSearchButton)).visible();
        v.deleteEnabled = mainWindow().control(T(MainControls::DeleteButton)).enabled();
        v.saveEnabled = mainWindow().control(T(MainControls::SaveButton)).enabled();
        return v;
    }

    // What a full refill of the same kind shows now.
    MainView refilled() {
        fill_contact_list(state_, searching() ? kSearchContacts : kAllContacts);
        return view();
    }

    void setGroup(const std::string& group) {
        auto* box = qobject_cast<QComboBox*>(recordWindow().control(T(RecordControls::GroupBox)).widget());
        ASSERT_NE(box, nullptr);
        // A choice from the drop-down list; a group it lacks is added first,
        // as the window does for a contact's group the main box lacks.
        if (group.empty()) return box->setCurrentIndex(-1);
        const QString text = QString::fromStdString(group);
        if (box->findText(text) < 0) box->addItem(text);
        box->setCurrentIndex(box->findText(text));
        ASSERT_EQ(textOf(recordWindow(), RecordControls::GroupBox), group);
    }

    // The stored contacts as "name|mobile", sorted by bytes: what a list of all
    // of them holds, whatever its order.
    std::vector<std::string> storedPairs(const std::string& search = {}) {
        std::vector<std::string> out;
        for (const StoredRow& row : StoredContacts(bookPath())) {
            if (!search.empty() && row["手机"].find(search) == std::string::npos) continue;
            out.push_back(row["姓名"] + "|" + row["手机"]);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // The distinct non-empty groups of the file, sorted by bytes.
    std::vector<std::string> storedGroups() {
        std::vector<std::string> out;
        for (const StoredRow& row : StoredContacts(bookPath()))
            if (!row["分组"].empty()) out.push_back(row["分组"]);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }
};

template <typename T>
std::vector<T> Sorted(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

TEST_F(ListAfterSave, RandomSavesAndDeletesShowWhatAFullRefillShows) {
    const std::vector<std::string> surnames = {"张", "李", "王", "赵", "钱", "孙", "周", "吴", "郑", "冯"};
    const std::vector<std::string> groups = {"", "", "同事", "家人", "Work", "work", "同学"};
    int made = 0;
    const auto newName = [&] {
        const int n = made++;
        return surnames[static_cast<std::size_t>(n) % surnames.size()] + "n" + std::string(1, char('a' + n % 26)) +
               std::string(1, char('a' + n / 26));
    };
    std::vector<ContactColumns> start;
    for (int i = 0; i < 14; ++i)
        start.push_back({{"姓名", newName()},
                         {"手机", std::to_string(13800000000LL + i * 7919)},
                         {"分组", groups[static_cast<std::size_t>(i) % groups.size()]}});
    AddContacts(bookPath(), start);
    refillList();

    std::mt19937 random(1309);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int saves = 0, deletes = 0, inPlace = 0;
    for (int step = 0; step < 60; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const int action = pick(10);
        std::string savedName, savedMobile;
        if (action == 0) {
            // Another list: a search by digits, or back to all contacts.
            if (searching()) click(mainWindow(), MainControls::ClearSearchButton);
            else type(mainWindow(), MainControls::SearchBox, std::to_string(13 + pick(7)));
            continue;
        }
        if (action == 1 && listRows() > 0) {
            list().setCurrentSelection(pick(listRows()));
            (*messages_)->answers = {0};
            click(mainWindow(), MainControls::DeleteButton);
            ++deletes;
        } else {
            if (action == 2 || listRows() == 0) {
                pressNew();
                type(recordWindow(), RecordControls::NameBox, newName());
                type(recordWindow(), RecordControls::MobileBox, std::to_string(13900000000LL + pick(90000000)));
                setGroup(groups[static_cast<std::size_t>(pick(static_cast<int>(groups.size())))]);
            } else {
                openRow(pick(listRows()));
                const int change = pick(5);
                if (change == 0) type(recordWindow(), RecordControls::NameBox, newName());
                if (change == 1)
                    type(recordWindow(), RecordControls::MobileBox, std::to_string(15000000000LL + pick(90000000)));
                if (change == 2)
                    setGroup(pick(3) == 0 ? "新组" + std::to_string(step)
                                          : groups[static_cast<std::size_t>(pick(static_cast<int>(groups.size())))]);
                if (change >= 3) {
                    type(recordWindow(), RecordControls::RemarkBox, "备注" + std::to_string(step));
                    ++inPlace;
                }
            }
            savedName = textOf(recordWindow(), RecordControls::NameBox);
            savedMobile = textOf(recordWindow(), RecordControls::MobileBox);
            click(recordWindow(), RecordControls::SaveButton);
            ASSERT_EQ(takeMessages().back(), "保存成功！");
            ++saves;
        }

        const MainView afterChange = view();
        const std::string positionText = textOf(recordWindow(), RecordControls::PositionLabel);
        const int shownRow = state_.selectedRow;
        // The file, read on its own, holds what the list shows.
        if (!searching()) {
            EXPECT_EQ(Sorted(afterChange.rows), storedPairs());
            EXPECT_EQ(Sorted(afterChange.groups), storedGroups());
        } else {
            EXPECT_EQ(Sorted(afterChange.rows), storedPairs(textOf(mainWindow(), MainControls::SearchBox)));
        }

        const MainView full = refilled();
        EXPECT_EQ(afterChange, full);
        if (!savedName.empty()) {
            // The record window stands on the saved contact, where the list has it.
            const auto at = std::find(full.rows.begin(), full.rows.end(), savedName + "|" + savedMobile);
            if (at == full.rows.end()) {
                EXPECT_EQ(positionText.rfind("当前选中第", 0), 0u);
                EXPECT_EQ(positionText.find("条记录"), std::string::npos) << positionText;
            } else {
                EXPECT_EQ(shownRow, at - full.rows.begin());
                EXPECT_EQ(positionText.rfind("当前选中第 " + std::to_string(shownRow + 1) + " 条记录", 0), 0u)
                    << positionText;
            }
        }
    }
    EXPECT_GE(saves, 30);
    EXPECT_GE(deletes, 3);
    EXPECT_GE(inPlace, 5);
}

// A save that keeps the contact's place reads only its row again: a change
// another program made meanwhile to another row shows at the next full list.
TEST_F(ListAfterSave, ASaveInPlaceReadsOnlyTheSavedRowAgain) {
    AddContacts(bookPath(), {{{"姓名", "甲"}, {"手机", "13000000001"}, {"分组", "同事"}},
                             {{"姓名", "乙"}, {"手机", "13000000002"}, {"分组", "同事"}},
                             {{"姓名", "丙"}, {"手机", "13000000003"}}});
    refillList();
    ASSERT_EQ(listRows(), 3);
    const std::string first = listText(0, 0);
    ExecOnBook(bookPath(), "update 通讯录 set 手机 = '19999999999' where 姓名 = '" + first +
                               "';"
                               "insert into 通讯录 (姓名, 手机, 分组) values ('外', '19900000000', '外组')");
    openRow(2);
    const std::string saved = listText(2, 0);
    type(recordWindow(), RecordControls::MobileBox, "18600000000");
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_EQ(takeMessages().back(), "保存成功！");
    ASSERT_EQ(listRows(), 3);
    EXPECT_EQ(listText(2, 0), saved);
    EXPECT_EQ(listText(2, 1), "18600000000");
    EXPECT_NE(listText(0, 1), "19999999999");
    EXPECT_EQ(groupBox().findText(QStringLiteral("外组")), -1);
    EXPECT_EQ(textOf(recordWindow(), RecordControls::PositionLabel).rfind("当前选中第 3 条记录", 0), 0u);

    // A changed group is a changed group list; the full list sees everything.
    setGroup("新组");
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_GE(groupBox().findText(QStringLiteral("新组")), 0);
    EXPECT_GE(groupBox().findText(QStringLiteral("外组")), 0);
    refillList();
    EXPECT_EQ(listRows(), 4);
    bool changedShown = false;
    for (int r = 0; r < listRows(); ++r) changedShown |= listText(r, 0) == first && listText(r, 1) == "19999999999";
    EXPECT_TRUE(changedShown);
}

// The group box lists what one distinct query finds: each non-empty group
// once, groups differing in case apart, a group whose last contact left gone.
TEST_F(ListAfterSave, TheGroupBoxFollowsTheGroupsOfTheFile) {
    AddContacts(bookPath(), {{{"姓名", "甲"}, {"手机", "13000000001"}, {"分组", "Work"}},
                             {{"姓名", "乙"}, {"手机", "13000000002"}, {"分组", "work"}},
                             {{"姓名", "丙"}, {"手机", "13000000003"}, {"分组", "Work"}},
                             {{"姓名", "丁"}, {"手机", "13000000004"}, {"分组", ""}},
                             {{"姓名", "戊"}, {"手机", "13000000005"}, {"分组", "唯一"}}});
    ExecOnBook(bookPath(), "insert into 通讯录 (姓名, 手机) values ('己', '13000000006')");
    refillList();
    const auto items = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < groupBox().count(); ++i) out.push_back(groupBox().itemText(i).toStdString());
        return out;
    };
    EXPECT_EQ(items(), (std::vector<std::string>{"Work", "work", "唯一"}));
    // 戊 leaves 唯一, its only member.
    for (int r = 0; r < listRows(); ++r)
        if (listText(r, 0) == "戊") openRow(r);
    ASSERT_EQ(textOf(recordWindow(), RecordControls::NameBox), "戊");
    setGroup("work");
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_EQ(items(), (std::vector<std::string>{"Work", "work"}));
    // A delete of the last of a group takes it away too.
    for (int r = 0; r < listRows(); ++r)
        if (listText(r, 0) == "乙") list().setCurrentSelection(r);
    (*messages_)->answers = {0, 0};
    click(mainWindow(), MainControls::DeleteButton);
    for (int r = 0; r < listRows(); ++r)
        if (listText(r, 0) == "戊") list().setCurrentSelection(r);
    click(mainWindow(), MainControls::DeleteButton);
    EXPECT_EQ(items(), (std::vector<std::string>{"Work"}));
    EXPECT_EQ(listRows(), 4);
    EXPECT_EQ(storedGroups(), (std::vector<std::string>{"Work"}));
}
