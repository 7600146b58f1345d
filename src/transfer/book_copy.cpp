#include "transfer/book_copy.h"

#include "data/address_book.h"
#include "services/core/connection_text.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"

#include <set>
#include <string>

namespace {

// The first description of the connection's last error, a password in it hidden.
Text ReasonOf(const DBConnection& connection) {
    std::string report = PasswordHidden(connection.ErrorText()).bytes();
    const std::string label = "Description: ";
    if (report.rfind(label, 0) == 0) report.erase(0, label.size());
    if (const auto end = report.find("\r\n"); end != std::string::npos) report.erase(end);
    return Text::fromBytes(report);
}

bool IsPictureField(const Text& name) { return name == T("照片") || name == T("头像"); }

// Writes every field of the current row of `source` (but the key, when
// `skipKey`) into the new row of `target`. Empty values are left unwritten,
// so they stay empty (NULL) whatever the column's type.
bool CopyRow(RecordSet& source, RecordSet& target, bool skipKey, bool& hadPhoto) {
    hadPhoto = false;
    for (int i = skipKey ? 1 : 0; i < source.FieldCount(); ++i) {
        const Text name = source.FieldName(i);
        if (IsPictureField(name)) {
            Bytes picture;
            if (!source.ReadBytes(name, picture)) return false;
            if (picture.empty()) continue;
            if (!target.WriteBytes(name, picture)) return false;
            hadPhoto = true;
            continue;
        }
        const Text value = source.ReadText(name);
        if (!value.empty() && !target.WriteText(name, value)) return false;
    }
    return true;
}

class Copy {
public:
    Copy(DBConnection& from, DBConnection& to, bool append) : from_(from), to_(to), append_(append) {}

    BookCopyReport run() {
        if (!to_.BeginTrans()) return failed(T("目标通讯录不能开始事务：") + ReasonOf(to_));
        if (!checkTarget() || !copyContacts() || !copyAccounts()) {
            to_.RollbackTrans();
            return report_;
        }
        if (!to_.CommitTrans()) return failed(T("提交失败：") + ReasonOf(to_));
        report_.ok = true;
        report_.groups = static_cast<int>(groups_.size());
        return report_;
    }

private:
    BookCopyReport failed(const Text& why) {
        report_ = BookCopyReport{};
        report_.error = why;
        return report_;
    }
    bool fail(const Text& why) {
        failed(why);
        return false;
    }

    bool checkTarget() {
        RecordSet count;
        count.SetConnection(to_);
        if (!count.Open(ContactCountSql(), RecordSet::kSqlText) || !count.MoveFirst())
            return fail(T("读不到目标通讯录的联系人：") + ReasonOf(to_));
        const int present = ToInteger(count.ReadText(0));
        if (present > 0 && !append_)
            return fail(T("目标通讯录已有 ") + TextOf(present) +
                        T(" 个联系人，没有复制。要追加到这些联系人之后，请加上 --append。"));
        return true;
    }

    bool copyContacts() {
        RecordSet source, target;
        source.SetConnection(from_);
        target.SetConnection(to_);
        if (!source.Open(ContactsInKeyOrderSql(), RecordSet::kSqlText))
            return fail(T("读不到本地通讯录的联系人：") + ReasonOf(from_));
        if (!target.Open(ContactByKeySql(Text()), RecordSet::kSqlText))
            return fail(T("目标通讯录没有联系人表：") + ReasonOf(to_));
        const int n = source.RecordCount();
        for (int i = 0; i < n; ++i) {
            bool hadPhoto = false;
            if (!source.MoveTo(i)) return fail(T("读不到本地通讯录的联系人：") + ReasonOf(from_));
            const Text name = source.ReadText(T("姓名"));
            if (!target.AddNew() || !CopyRow(source, target, true, hadPhoto) || !target.Update())
                return fail(T("联系人“") + name + T("”没有存入目标通讯录：") + ReasonOf(to_));
            ++report_.contacts;
            if (hadPhoto) ++report_.photos;
            if (const Text group = source.ReadText(T("分组")); !group.empty()) groups_.insert(group.bytes());
        }
        return true;
    }

    bool copyAccounts() {
        RecordSet source;
        source.SetConnection(from_);
        if (!source.Open(AllUsersSql(), RecordSet::kSqlText))
            return fail(T("读不到本地通讯录的账户：") + ReasonOf(from_));
        for (int i = 0; i < source.RecordCount(); ++i) {
            if (!source.MoveTo(i)) return fail(T("读不到本地通讯录的账户：") + ReasonOf(from_));
            const Text name = source.ReadText(T("用户名"));
            RecordSet target;
            target.SetConnection(to_);
            if (!target.Open(UserByNameSql(name), RecordSet::kSqlText))
                return fail(T("目标通讯录没有账户表：") + ReasonOf(to_));
            if (target.RecordCount() > 0) {
                if (append_) continue;  // the shared book's account stays as its users know it
                if (!to_.ExecuteSql(DeleteUserSql(name)))
                    return fail(T("账户“") + name + T("”没有存入目标通讯录：") + ReasonOf(to_));
            }
            bool hadAvatar = false;
            if (!target.AddNew() || !CopyRow(source, target, false, hadAvatar) || !target.Update())
                return fail(T("账户“") + name + T("”没有存入目标通讯录：") + ReasonOf(to_));
            ++report_.accounts;
        }
        return true;
    }

    DBConnection& from_;
    DBConnection& to_;
    bool append_;
    BookCopyReport report_;
    std::set<std::string> groups_;
};

}  // namespace

Text BookCopyReport::message() const {
    return T("已复制 ") + TextOf(contacts) + T(" 个联系人（其中 ") + TextOf(photos) + T(" 个有照片）、") +
           TextOf(accounts) + T(" 个账户、") + TextOf(groups) + T(" 个分组。");
}

BookCopyReport CopyBook(DBConnection& from, DBConnection& to, bool append) { return Copy(from, to, append).run(); }
