#pragma once
// Copying a whole local book into another book (the shared book on a
// database server): every contact with its photo, every account, and with
// the contacts their groups. One transaction on the target: it holds the
// whole copy or, after any failure, nothing of it.
//
// Contacts keep their order: they are added in the order the local book
// added them, and the target gives each its own 编号. A target that already
// holds contacts is refused unless the copy appends; accounts of a name the
// target has are then left as they are, while a fresh copy replaces them
// (the target's starting account gives way to the local one).

#include "services/core/text.h"

class DBConnection;

struct BookCopyReport {
    bool ok = false;
    Text error;  // why nothing was copied (one or two lines), when !ok
    int contacts = 0;
    int photos = 0;  // contacts with a photo
    int accounts = 0;
    int groups = 0;  // distinct non-empty 分组 among the copied contacts

    // "已复制 N 个联系人（其中 P 个有照片）、A 个账户、G 个分组。"
    Text message() const;
};

BookCopyReport CopyBook(DBConnection& from, DBConnection& to, bool append);
