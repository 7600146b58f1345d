#pragma once
// Byte-level text helpers of the exchange formats: charset conversion,
// base64, and the test for well-formed UTF-8 (shared with the text import).

#include "services/core/value.h"
#include "transfer/transfer_text.h"

#include <optional>
#include <string>
#include <string_view>

// `bytes` in the named charset (UTF-8, GB2312, GBK, GB18030, BIG5,
// ISO-8859-1 ...) as UTF-8; nothing when the charset is unknown or the bytes
// are not text in it. GB2312 and GBK are read as GB18030, their superset.
std::optional<std::string> ConvertedToUtf8(std::string_view bytes, const std::string& charset);

// Base64 (RFC 4648, blanks and line breaks ignored, padding optional);
// nothing when any other character appears or the length cannot be right.
std::optional<Bytes> Base64Decoded(std::string_view text);
std::string Base64Encoded(const Bytes& bytes);
