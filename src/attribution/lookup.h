#pragma once
// The web attribution lookup: the region a mobile number is registered in,
// from the lookup service named in the settings file.

#include "services/core/text.h"
#include "services/core/value.h"

#include <stop_token>

class RecordSet;

// Where the settings file names the lookup service (scheme and host, say
// "http://example.com"; the request path is fixed).
inline constexpr const char* kLookupSettingsSection = "网络";
inline constexpr const char* kLookupSettingsKey = "归属地查询地址";

// The configured base address of the lookup service, without blanks around
// it or a trailing "/"; empty when the file or the key is missing.
Text attribution_service_address(const Text& settingsFile);

// The request text for a number: base address + "/api/mobile.php?m=" +
// number + "&t=html". Bytes of the number that are not letters, digits or
// "-._~" are percent-encoded, so no number can change the request's shape.
Text attribution_request(const Text& serviceAddress, const Text& number);

// The attribution of a mobile number, empty when the number is not one (not
// exactly 11 bytes, or not starting with "1"), when no service address is
// configured (no request is made in either case), when the service gives
// nothing, or when the page lacks the markers. Blocks for one page fetch;
// a stop request on `cancel` cuts that fetch short.
Text lookup_attribution(const Text& number, const Text& serviceAddress, std::stop_token cancel = {});

// A UTF-8 page body as code page 936 text: invalid UTF-8 and characters GBK
// lacks become "?", a base letter followed by combining marks is composed
// first, and the text ends at the first NUL.
Text utf8_to_local_text(const Bytes& body);

// The text between the first occurrence of `startMarker` and the first
// occurrence of `endMarker` (searched at character boundaries); empty when
// either is missing or the end marker does not come after the start marker.
Text text_between(const Text& text, const Text& startMarker, const Text& endMarker);

// For the contact the record set stands on: its stored 归属地 or, when that is
// empty, a fresh lookup of its 手机 stored at once (WriteText, then Update).
// Returns the attribution to show, empty when there is none.
Text attribution_of_current_contact(RecordSet& contacts, const Text& serviceAddress);

// What the record window appends to its status label for an attribution:
// "      归属地：" + attribution; empty for an empty attribution.
Text attribution_status_text(const Text& attribution);
