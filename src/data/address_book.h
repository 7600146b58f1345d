#pragma once
// The address book file and its tables, and every SQL text the application
// sends to it. User text spliced into a statement has its single quotes
// doubled, so a name like O'Brien is searched and stored as typed and no
// input can change what a statement does.

#include "services/core/text.h"

#include <string>
#include <utility>
#include <vector>

// The file name, opened beside the program with ConnectAccess and no password.
Text AddressBookFile();  // "VRL3.mdb"

// Tables and orders opened with RecordSet::OpenTable.
Text UsersTable();       // "用户"
Text UsersByName();      // "用户名 ASC"
Text ContactsTable();    // "通讯录"
Text ContactsByName();   // "姓名 ASC"
Text ContactsByGroup();  // "分组 ASC"

// Keeps the contacts' name order in the book (通讯录 by 姓名: listing,
// search and group filter walk an index instead of sorting) and adds the
// index on 分组 the group list reads; a read-only book is left as it is.
// Called after each opening of the book.
class DBConnection;
void KeepContactOrder(DBConnection& connection);

// The fields of 通讯录 after its key (field 0), in the file's order: the
// column order of exported sheets and of the sheets the import reads.
const std::vector<Text>& ContactFields();

// select * from 通讯录 where 姓名 like  '%S%' or 首字母 like  '%S%'or 手机 like  '%S%'order by 姓名 ASC
Text ContactSearchSql(const Text& searchText);
// The search the contact list runs: ContactSearchSql, and when the text holds
// Latin letters, one more term finding the contacts whose name matches it by
// its pinyin spelling (services/core/pinyin_match.h): every contact the
// statement finds, in the same order, and the others in their place in it.
Text ContactSearchWithSpellingSql(const Text& searchText);
// select * from 通讯录 where 分组 like  '%G%'order by 姓名 ASC
Text GroupFilterSql(const Text& group);
// select distinct 分组 from 通讯录 where 分组 <> '' order by 分组 ASC: each
// non-empty group once (groups differing only in case apart), in group order.
Text ContactGroupsSql();
// select 编号 from 通讯录 where 分组 = 'G' limit 1: a contact of that group, if any.
Text ContactOfGroupSql(const Text& group);
// select * from 所属网络 order by 手机号 ASC
Text CarrierSegmentsSql();
// The one statement that adds to 所属网络 every delivered carrier segment it
// lacks, leaving the rows it has (carrier_segments.sql).
Text DeliveredCarrierSegmentsSql();
// One statement storing the 归属地 of many contacts by key (field 0, digits
// only): UPDATE 通讯录 SET 归属地 = CASE 编号 WHEN 1 THEN 'A' ... END WHERE 编号 IN (1, ...)
Text StoreAttributionsSql(const std::vector<std::pair<Text, Text>>& keyAndAttribution);
// select * from 通讯录 where 手机 like  '%N%'order by 姓名 ASC
Text DuplicateMobileSql(const Text& mobile);
// select * from 通讯录 where 编号 = 'K': the contact with that key (field 0);
// an empty key selects no row, only the columns (for adding one).
Text ContactByKeySql(const Text& key);
// select 编号, 照片 from 通讯录 where 照片 is not null
Text ContactPhotosSql();
// INSERT INTO 通讯录 (姓名,手机,QQ,邮箱,首字母)VALUES('name','mobile','qq','email','initials')
Text TextImportInsertSql(const Text& name, const Text& mobile, const Text& qq, const Text& email, const Text& initials);

// The shared book on a PostgreSQL server (server_book.sql): the three tables
// of the local book with the same fields in the same order, the delivered
// rows of 所属网络 and the starting account, created together or not at all.
// False, with the reason in `error`, when the connection is not to such a
// server, the tables exist already, or the server refuses.
bool CreateServerBook(DBConnection& connection, Text& error);
// The parts of it, generated from server_book.sql and address_book.sql.
const char* ServerBookSchemaSql();
const char* StartingAccountSql();
// The readings of every character for the server's spelling_match function.
std::string ServerSpellingReadingsSql();
