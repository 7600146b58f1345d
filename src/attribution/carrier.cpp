#include "attribution/carrier.h"

#include "attribution/mobile_number.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"

CarrierSegments CarrierSegments::read(RecordSet& carriers) {
    CarrierSegments segments;
    // A failed query leaves the record set closed, and no rows to read.
    if (!carriers.Open(CarrierSegmentsSql(), RecordSet::kSqlText)) return segments;
    for (int i = 0; i < carriers.RecordCount(); ++i) {
        carriers.MoveTo(i);
        segments.add(TrimSpaces(carriers.ReadText(T("手机号"))).bytes(), carriers.ReadText(T("运营商")));
    }
    return segments;
}

void CarrierSegments::add(std::string segment, Text carrier) {
    if (segment.empty()) return;
    longest_ = std::max(longest_, segment.size());
    bySegment_.try_emplace(std::move(segment), std::move(carrier));
}

Text CarrierSegments::carrierOf(std::string_view digits) const {
    for (std::size_t length = std::min(longest_, digits.size()); length > 0; --length) {
        auto found = bySegment_.find(std::string(digits.substr(0, length)));
        if (found != bySegment_.end()) return found->second;
    }
    return Text();
}

Text carrier_of_number(RecordSet& carriers, const Text& number) {
    const std::string digits = mainland_mobile_digits(number);
    if (digits.empty()) return Text();
    return CarrierSegments::read(carriers).carrierOf(digits);
}

bool bring_carrier_segments_up_to_date(DBConnection& book) { return book.ExecuteSql(DeliveredCarrierSegmentsSql()); }
