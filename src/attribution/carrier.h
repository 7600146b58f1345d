#pragma once
// The carrier of a mobile number, from the number segments in table 所属网络.

#include "services/core/text.h"

class RecordSet;

// The carrier name ("联通", "移动", "电信", or whatever the table holds) of the
// first segment, in 手机号 order, that contains the number's first three bytes;
// empty when none does. Runs the query on `carriers` (attached to the address
// book) and leaves its rows there. An empty number matches every segment; a
// quote in the number is matched as a quote.
Text carrier_of_number(RecordSet& carriers, const Text& number);
