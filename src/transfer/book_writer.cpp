#include "transfer/book_writer.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"

#include <string>
#include <vector>

Text ImportCountsMessage(const ImportCounts& counts) {
    Text message = T("共 ") + TextOf(counts.total) + T(" 条记录\r\n已存在 ") + TextOf(counts.present) +
                   T(" 条记录\r\n成功添加 ") + TextOf(counts.added) + T(" 条记录");
    // Contacts the book refused are not claimed as added.
    if (counts.failed() > 0) {
        message += T("\r\n未能添加 ") + TextOf(counts.failed()) + T(" 条记录");
        if (!counts.reason.empty()) message += T("\r\n原因：") + Text::fromUtf8(counts.reason);
    }
    return message;
}

BookWriter::BookWriter(DBConnection& book) : rows_(std::make_unique<RecordSet>()), batch_(&book) {
    // The stored numbers are read once; every contact is tested against them
    // and the contacts added before it, not by a scan of the table per row.
    RecordSet numbers;
    numbers.SetConnection(book);
    std::vector<std::string> stored;
    const bool testable = numbers.Open(T("select 手机 from 通讯录 where 手机 is not null"), RecordSet::kSqlText);
    for (bool more = numbers.MoveFirst(); more && !numbers.AtEnd(); more = numbers.MoveNext())
        stored.push_back(numbers.ReadText(0).toUtf8());
    numbers.Close();
    stored_ = std::make_unique<MobileIndex>(stored);

    // An empty result on the table: its columns, for the rows added.
    rows_->SetConnection(book);
    ready_ = testable && rows_->Open(ContactByKeySql(Text()), RecordSet::kSqlText);
}

BookWriter::~BookWriter() { finish(); }

BookWriter::Outcome BookWriter::add(const Text& mobile, const std::function<bool(RecordSet&)>& fill) {
    ++counts_.total;
    // Without the duplicate test nothing is added: the row is not claimed present either.
    if (!ready_) return Outcome::Failed;
    if (!mobile.empty() && stored_->contains(mobile.toUtf8())) {
        ++counts_.present;
        return Outcome::Present;
    }
    if (!rows_->AddNew()) return Outcome::Failed;
    if (!fill(*rows_)) {
        rows_->Delete(RecordSet::kCurrentRow);  // drops the row begun, before anything of it is stored
        return Outcome::Failed;
    }
    const bool written = rows_->Update();
    if (written) {
        // What the book now holds (an empty number is stored as NULL).
        const Text kept = rows_->ReadText(T("手机"));
        if (!kept.empty()) {
            stored_->add(kept.toUtf8());
            groupMobiles_.push_back(kept.toUtf8());
        }
    }
    groupEnded(batch_.rowWritten(written));
    return written ? Outcome::Added : Outcome::Failed;
}

void BookWriter::groupEnded(BatchedWrites::Group group) {
    if (group == BatchedWrites::Group::Open) return;
    if (group == BatchedWrites::Group::Lost)
        for (const auto& m : groupMobiles_) stored_->remove(m);
    groupMobiles_.clear();
}

void BookWriter::finish() {
    if (rows_) rows_->Close();
    groupEnded(batch_.finish());
    counts_.added = batch_.stored();
    counts_.reason = batch_.reason();
}
