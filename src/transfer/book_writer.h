#pragma once
// How every import adds its contacts to the address book: the workbook
// import, vCard and CSV all go through BookWriter, so that they share one
// duplicate rule, one way of storing in transactions and one count of what
// happened.
//
// The duplicate rule: a contact whose mobile number some stored number
// contains (as "手机 like '%number%'" would) is already present and is not
// added; numbers added earlier in the same import count as stored. A contact
// without a mobile number is not a duplicate of anything: it is added.

#include "services/core/text.h"
#include "transfer/batched_writes.h"
#include "transfer/mobile_index.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DBConnection;
class RecordSet;

// The counts an import ends with.
struct ImportCounts {
    int total = 0;                                          // contacts (rows, cards) the source held
    int present = 0;                                        // skipped: their mobile number is in the book
    int added = 0;                                          // stored: their group of rows was committed
    int failed() const { return total - present - added; }  // neither: refused by the file or by the book
    std::string reason;  // why the book refused the first row it refused (UTF-8); empty when none was
};

// The closing message of an import: "共 N 条记录\r\n已存在 P 条记录\r\n成功添加
// A 条记录", and "\r\n未能添加 F 条记录" (with the book's reason) when some could
// not be added.
Text ImportCountsMessage(const ImportCounts& counts);

class BookWriter {
public:
    // Reads the stored mobile numbers and opens an empty result on 通讯录 for
    // the rows to add. ready() is false when either failed; every contact
    // offered is then counted as not added, and nothing is written.
    explicit BookWriter(DBConnection& book);
    ~BookWriter();
    BookWriter(const BookWriter&) = delete;
    BookWriter& operator=(const BookWriter&) = delete;

    bool ready() const { return ready_; }

    enum class Outcome { Added, Present, Failed };
    // Offers one contact with mobile number `mobile` (as it will be stored).
    // When it is not present, a new row is begun and `fill` writes its fields
    // into it; a false from `fill` drops the row (nothing of it is stored).
    Outcome add(const Text& mobile, const std::function<bool(RecordSet&)>& fill);
    // A contact the source could not give (a damaged card, say): counted.
    void countFailed() { ++counts_.total; }

    // Stores what was written; the counts are final afterwards (a row counts
    // as added only once its group was committed).
    void finish();
    const ImportCounts& counts() const { return counts_; }

private:
    void groupEnded(BatchedWrites::Group group);

    bool ready_ = false;
    std::unique_ptr<RecordSet> rows_;
    std::unique_ptr<MobileIndex> stored_;
    BatchedWrites batch_;
    ImportCounts counts_;
    // The numbers of the group not yet committed: they leave the index again
    // when the group is rolled back.
    std::vector<std::string> groupMobiles_;
};
