#include "data/address_book.h"

#include "services/core/gbk_walk.h"
#include "services/core/pinyin_match.h"
#include "services/db/db_connection.h"

Text AddressBookFile() { return T("VRL3.mdb"); }

Text UsersTable() { return T("用户"); }
Text UsersByName() { return T("用户名 ASC"); }
Text ContactsTable() { return T("通讯录"); }
Text ContactsByName() { return T("姓名 ASC"); }
Text ContactsByGroup() { return T("分组 ASC"); }

void KeepContactOrder(DBConnection& connection) {
    // The group index first: a change of the schema after the order is kept
    // would have the first read check the order's structures again. A
    // read-only book refuses both and is left as it is.
    connection.ExecuteSql(T("CREATE INDEX IF NOT EXISTS 通讯录_分组 ON 通讯录 (分组)"));
    // Beside the keys, the fields the search and the group filter test.
    connection.KeepStoredOrder(ContactsTable(), T("姓名"), {T("首字母"), T("手机"), T("分组")});
}

const std::vector<Text>& ContactFields() {
    static const std::vector<Text> fields = {T("姓名"), T("手机"), T("首字母"), T("手机备"), T("QQ"),   T("QQ备"),
                                             T("邮箱"), T("分组"), T("座机"),   T("分机"),   T("地址"), T("籍贯"),
                                             T("生日"), T("备注"), T("照片"),   T("归属地"), T("性别")};
    return fields;
}

Text ContactSearchSql(const Text& searchText) {
    Text s = SqlQuoted(searchText);
    return T("select * from 通讯录 where 姓名 like  '%") + s + T("%' or 首字母 like  '%") + s +
           T("%'or 手机 like  '%") + s + T("%'order by 姓名 ASC");
}

Text ContactSearchWithSpellingSql(const Text& searchText) {
    Text statement = ContactSearchSql(searchText);
    const Text keys = SpellingKeys(searchText);
    if (keys.empty()) return statement;
    const Text term = T(" or ") + Text::fromBytes(kSpellingMatchFunction) + T("(姓名, '") + SqlQuoted(keys) + T("') ");
    // Before the statement's own ORDER BY, its last one: the search text, which
    // may spell "order by" too, is quoted earlier in the statement.
    const std::size_t orderBy = gbk::FoldedCase(statement.bytes()).rfind("order by");
    if (orderBy == std::string::npos) return statement + term;
    statement.bytes().insert(orderBy, term.bytes());
    return statement;
}

Text GroupFilterSql(const Text& group) {
    return T("select * from 通讯录 where 分组 like  '%") + SqlQuoted(group) + T("%'order by 姓名 ASC");
}

Text ContactGroupsSql() { return T("select distinct 分组 from 通讯录 where 分组 <> '' order by 分组 ASC"); }

Text ContactOfGroupSql(const Text& group) {
    return T("select 编号 from 通讯录 where 分组 = '") + SqlQuoted(group) + T("' limit 1");
}

Text ContactsInKeyOrderSql() { return T("select * from 通讯录 order by 编号"); }

Text ContactCountSql() { return T("select count(*) from 通讯录"); }

Text AllUsersSql() { return T("select * from 用户"); }

Text UserByNameSql(const Text& name) { return T("select * from 用户 where 用户名 = '") + SqlQuoted(name) + T("'"); }

Text DeleteUserSql(const Text& name) { return T("delete from 用户 where 用户名 = '") + SqlQuoted(name) + T("'"); }

Text ConnectionCheckSql() { return T("select 1"); }

Text CarrierSegmentsSql() { return T("select * from 所属网络 order by 手机号 ASC"); }

Text DuplicateMobileSql(const Text& mobile) {
    return T("select * from 通讯录 where 手机 like  '%") + SqlQuoted(mobile) + T("%'order by 姓名 ASC");
}

Text ContactByKeySql(const Text& key) {
    if (key.empty()) return T("select * from 通讯录 where 编号 is null");
    return T("select * from 通讯录 where 编号 = '") + SqlQuoted(key) + T("'");
}

Text ContactPhotosSql() { return T("select 编号, 照片 from 通讯录 where 照片 is not null"); }

Text TextImportInsertSql(const Text& name, const Text& mobile, const Text& qq, const Text& email,
                         const Text& initials) {
    // Values are separated without a blank, so stored numbers start with a digit.
    Text separator = T("','");
    return T("INSERT INTO 通讯录 (姓名,手机,QQ,邮箱,首字母)VALUES('") + SqlQuoted(name) + separator +
           SqlQuoted(mobile) + separator + SqlQuoted(qq) + separator + SqlQuoted(email) + separator +
           SqlQuoted(initials) + T("')");
}

Text StoreAttributionsSql(const std::vector<std::pair<Text, Text>>& keyAndAttribution) {
    Text cases;
    Text keys;
    for (const auto& [key, attribution] : keyAndAttribution) {
        cases += T(" WHEN ") + key + T(" THEN '") + SqlQuoted(attribution) + T("'");
        keys += (keys.empty() ? Text() : T(",")) + key;
    }
    // A row that holds its attribution already is left alone: another desktop
    // storing the same rows at once (a shared book) has each row written once.
    const Text value = T("CASE 编号") + cases + T(" END");
    return T("UPDATE 通讯录 SET 归属地 = ") + value + T(" WHERE 编号 IN (") + keys +
           T(") AND coalesce(归属地, '') <> ") + value;
}
