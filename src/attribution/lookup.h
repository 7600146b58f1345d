#pragma once
// The attribution of a mobile number: offline, from the numbering plan's
// regions and the carrier segments of the book; refined, when one is named in
// the settings file, by a lookup service.

#include "services/core/text.h"
#include "services/core/value.h"

#include <stop_token>

class CarrierSegments;
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

// The offline attribution of a number as written in 手机: "<region> <carrier>"
// ("江苏省常州市 移动"), either part possibly empty; empty for a text that is
// not a valid mainland mobile number (neither the numbering plan nor a
// segment knows it). Needs no network and no setting.
Text offline_attribution(const Text& number, const CarrierSegments& segments);

// The attribution the lookup service gives for a number, asked with its
// eleven digits (see mainland_mobile_digits); empty, without a request, for
// a text that is not a mainland mobile number or when no service address is
// configured; empty when the service gives nothing, a page without the
// markers, or something that is not an attribution (see
// plausible_attribution). Blocks for one page fetch; a stop request on
// `cancel` cuts that fetch short.
Text lookup_attribution(const Text& number, const Text& serviceAddress, std::stop_token cancel = {});

// Whether a text found between the markers can be an attribution: not empty,
// at most a short line, with no markup, control character or "?" (what a
// character that could not be decoded turns into).
bool plausible_attribution(const Text& found);

// A UTF-8 page body as code page 936 text: invalid UTF-8 and characters GBK
// lacks become "?", a base letter followed by combining marks is composed
// first, and the text ends at the first NUL.
Text utf8_to_local_text(const Bytes& body);

// The text between the first occurrence of `startMarker` and the first
// occurrence of `endMarker` (searched at character boundaries); empty when
// either is missing or the end marker does not come after the start marker.
Text text_between(const Text& text, const Text& startMarker, const Text& endMarker);

// For the contact the record set stands on: its stored 归属地 or, when that is
// empty, its offline attribution, stored at once (WriteText, then Update).
// Returns the attribution to show, empty when there is none.
Text attribution_of_current_contact(RecordSet& contacts, const CarrierSegments& segments);

// Stores an attribution in the 归属地 of the contact the record set stands on,
// at once; false when the book refuses it.
bool store_attribution(RecordSet& contacts, const Text& attribution);

// What the record window appends to its status label for an attribution:
// "      归属地：" + attribution; empty for an empty attribution.
Text attribution_status_text(const Text& attribution);
