#pragma once
// Stored forms of values shared by the conversions and the byte array
// operations (internal to the core command set).

#include "services/core/value.h"

// All elements' bytes in order, least significant byte first.
Bytes StoredBytes(const NumberArray& array);

// A date-time day count limited to years 100 to 9999; NaN counts as 0.
double ClampedDays(double days);
