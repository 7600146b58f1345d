#pragma once
// vCard files: reading versions 2.1, 3.0 and 4.0 (RFC 2425/2426, RFC 6350
// and the older 2.1 text that phones still write), and writing 3.0.
//
// Reading is byte-exact before it is textual: lines are unfolded (and
// quoted-printable soft breaks joined) on bytes, so a fold inside a
// multi-byte character does no harm; each value is then decoded (quoted-
// printable, base64), converted from its CHARSET (UTF-8 when none; a 2.1 card
// that is not UTF-8 is taken as GBK, as the phones that write them mean) and
// unescaped.

#include "transfer/exchange_contact.h"

#include <string>
#include <string_view>

// Every card of the file. A damaged card (cut short, not text, neither name
// nor number) is counted in `failed` with the reason; the others are read.
// A file holding no card at all is refused with `error`.
ReadContacts ReadVCards(std::string_view file);

// One contact as a vCard 3.0 in UTF-8 with CRLF line ends and lines folded at
// 75 bytes (never inside a character): N and FN, the phonetic family and
// given names of a Chinese name, mobiles as TEL;TYPE=CELL, the landline with
// its extension after " ext ", EMAIL, ADR, BDAY, NOTE, CATEGORIES for the
// group, X-QQ, X-GENDER, the birthplace and attribution as X-VARELO-HOMETOWN
// and X-VARELO-ATTRIBUTION, and the photo as an embedded base64 JPEG.
// `jpegPhoto` is the contact's photo already as JPEG bytes (empty: none).
std::string VCardOf(const ExchangeContact& contact, const Bytes& jpegPhoto);

// The family name at the start of a Chinese name, compound surnames (欧阳,
// 司马, 诸葛 ...) included; empty when the name does not start with a Chinese
// character. UTF-8 in and out.
std::string FamilyNameOf(const std::string& name);

// The pinyin of a Chinese text from the program's table, syllables joined and
// the first letter capitalised ("Ouyang"); a family name takes its surname
// reading (曾 Zeng, 单 Shan). Empty when a character has no reading.
std::string PhoneticOf(const std::string& text, bool familyName);
