#include "attribution/carrier.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/record_set.h"

Text carrier_of_number(RecordSet& carriers, const Text& number) {
    // A failed query leaves the record set closed, and the read below empty.
    (void)carriers.Open(CarrierOfPrefixSql(LeftText(number, 3)), 1);
    (void)carriers.MoveTo(0);
    return carriers.ReadText(T("运营商"));
}
