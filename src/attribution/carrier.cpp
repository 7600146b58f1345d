#include "attribution/carrier.h"

#include "services/core/core.h"
#include "services/db/record_set.h"

Text carrier_query(const Text& number) {
    return T("select * from 所属网络 where 手机号 like  '%") + SqlQuoted(LeftText(number, 3)) +
           T("%' order by 手机号 ASC");
}

Text carrier_of_number(RecordSet& carriers, const Text& number) {
    // A failed query leaves the record set closed, and the read below empty.
    (void)carriers.Open(carrier_query(number), 1);
    (void)carriers.MoveTo(0);
    return carriers.ReadText(T("运营商"));
}
