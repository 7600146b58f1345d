#!/usr/bin/env python3
"""Generates src/services/core/pinyin_table.cpp from the Unicode Han database.

Reads Unihan_Readings.txt(.bz2) (Debian package unicode-data, needed only to
regenerate the table, not to build): kMandarin gives the usual reading of each
Chinese character of GBK (both GB2312 levels, the GBK extension and its
traditional forms; where kMandarin has none, the first reading of kXHC1983 or
kHanyuPinyin stands in); kXHC1983 (or kHanyuPinyin where it has none) gives
further readings of polyphones, up to three distinct toneless readings in all,
the usual first.

Each reading is stored as component codes: an initial in the low byte and a
final in the high byte, or a lone final (or a lone initial such as "m") in the
low byte. Readings that cannot be written that way, and characters left
without a reading, are reported on standard error.

    python3 tools/gen_pinyin.py [Unihan_Readings.txt.bz2] [output.cpp]
"""

import bz2
import os
import sys
import unicodedata

COMPONENTS = [
    "zh", "ch", "sh", "b", "p", "m", "f", "d", "t", "n", "l", "g", "k", "h", "j", "q", "x", "r", "z", "c",
    "s", "y", "w", "ang", "eng", "an", "ai", "ao", "ou", "er", "en", "ei", "a", "o", "e", "uang", "iang",
    "iong", "ing", "ong", "uai", "uan", "iao", "ian", "ui", "iu", "ie", "ue", "in", "un", "ia", "ua", "uo",
    "i", "u",
]
CODE = {text: number for number, text in enumerate(COMPONENTS, start=1)}
INITIALS = COMPONENTS[:23]
FINALS = set(COMPONENTS[23:])

# The table covers two runs of lead bytes with every trail byte each (as
# pinyin_table.h indexes it): 0x81-0xA0 (GBK/3) and 0xAA-0xFE (GBK/4 below
# trail 0xA1, GB2312 rows 0xB0-0xF7 from it). Positions outside the Chinese
# character areas stay 0.
LEADS = list(range(0x81, 0xA1)) + list(range(0xAA, 0xFF))
TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]


def is_chinese_area(lead, trail):
    if 0x81 <= lead <= 0xA0:
        return True  # GBK/3
    if trail <= 0xA0:
        return 0xAA <= lead <= 0xFE  # GBK/4
    return 0xB0 <= lead <= 0xF7  # GB2312 levels 1 and 2
MAX_READINGS = 3

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SOURCE = "/usr/share/unicode/Unihan_Readings.txt.bz2"
DEFAULT_OUTPUT = os.path.join(HERE, "..", "src", "services", "core", "pinyin_table.cpp")


def toneless(reading):
    """Strips tone marks; u with diaeresis is written u."""
    decomposed = unicodedata.normalize("NFD", reading.strip().lower())
    return "".join(c for c in decomposed if not unicodedata.combining(c)).replace("v", "u")


def encode(syllable):
    """The 16-bit reading entry of a toneless syllable, or None."""
    if syllable in FINALS:
        return CODE[syllable]
    for initial in sorted(INITIALS, key=len, reverse=True):
        if syllable.startswith(initial):
            rest = syllable[len(initial):]
            if rest == "":
                return CODE[initial]
            if rest in FINALS:
                return CODE[initial] | (CODE[rest] << 8)
    return None


def load_readings(path):
    """{code point: (kMandarin list, kXHC1983 list, kHanyuPinyin list)} of raw readings."""
    opener = bz2.open if path.endswith(".bz2") else open
    fields = {}
    with opener(path, "rt", encoding="utf-8") as source:
        for line in source:
            if not line.startswith("U+"):
                continue
            point, field, value = line.rstrip("\n").split("\t", 2)
            if field not in ("kMandarin", "kXHC1983", "kHanyuPinyin"):
                continue
            code_point = int(point[2:], 16)
            entry = fields.setdefault(code_point, {"kMandarin": [], "kXHC1983": [], "kHanyuPinyin": []})
            if field == "kMandarin":
                entry[field] += value.split()
            else:
                # "location[,location]:reading[,reading]" groups separated by blanks
                for group in value.split():
                    entry[field] += group.split(":", 1)[1].split(",")
    return fields


def readings_of(entry):
    """Distinct toneless readings, usual first.

    The modern dictionary (kXHC1983) gives the further readings; the large
    historical one (kHanyuPinyin) only stands in where the modern one has no
    entry, so archaic readings (啊 as "e") do not become polyphones.
    """
    result = []
    further = "kXHC1983" if entry["kXHC1983"] else "kHanyuPinyin"
    for field in ("kMandarin", further):
        for raw in entry[field]:
            syllable = toneless(raw)
            if syllable and syllable not in result:
                result.append(syllable)
    return result


def is_cjk(char):
    """A unified ideograph (the GBK areas also hold a few compatibility forms and unassigned positions)."""
    return unicodedata.name(char, "").startswith("CJK")


def build(fields):
    entries = []
    polyphones = []
    unencodable = []
    missing = []
    for lead in LEADS:
        for trail in TRAILS:
            try:
                if not is_chinese_area(lead, trail):
                    raise UnicodeDecodeError("gbk", b"", 0, 1, "not a Chinese character")
                char = bytes([lead, trail]).decode("gbk")
            except UnicodeDecodeError:
                entries.append(0)  # unassigned position
                continue
            codes = []
            none = {"kMandarin": [], "kXHC1983": [], "kHanyuPinyin": []}
            # A compatibility ideograph reads as the unified one it stands for.
            unified = unicodedata.normalize("NFC", char)
            for syllable in readings_of(fields.get(ord(char)) or fields.get(ord(unified), none)):
                code = encode(syllable)
                if code is None:
                    unencodable.append((char, syllable))
                elif code not in codes:
                    codes.append(code)
            codes = codes[:MAX_READINGS]
            if not codes:
                if is_cjk(char):
                    missing.append(char)
                entries.append(0)
            elif len(codes) == 1:
                entries.append(codes[0])
            else:
                entries.append(0x8000 | len(polyphones))
                polyphones.append(codes + [0] * (MAX_READINGS - len(codes)))
    return entries, polyphones, unencodable, missing


def write_table(path, entries, polyphones):
    out = [
        "// Generated by tools/gen_pinyin.py from the Unicode Han database; do not edit.",
        "// Layout and component codes: pinyin_table.h.",
        "",
        '#include "services/core/pinyin_table.h"',
        "",
        "const std::uint16_t kPinyinEntries[kPinyinEntryCount] = {",
    ]
    for r, lead in enumerate(LEADS):
        out.append(f"    // lead {lead:02X}")
        values = entries[r * len(TRAILS):(r + 1) * len(TRAILS)]
        for i in range(0, len(values), 12):
            out.append("    " + " ".join(f"0x{v:04X}," if v else "0," for v in values[i:i + 12]).rstrip())
    out.append("};")
    out.append("")
    out.append(f"const std::uint16_t kPinyinPolyphones[][3] = {{")
    for i in range(0, len(polyphones), 4):
        out.append("    " + " ".join("{" + ", ".join(f"0x{v:04X}" for v in p) + "}," for p in polyphones[i:i + 4]))
    out.append("};")
    out.append("")
    out.append(f"const std::size_t kPinyinPolyphoneCount = {len(polyphones)};")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def main(argv):
    source = argv[1] if len(argv) > 1 else DEFAULT_SOURCE
    output = argv[2] if len(argv) > 2 else DEFAULT_OUTPUT
    if not os.path.exists(source):
        sys.exit(f"{source} not found (apt-get install unicode-data)")
    entries, polyphones, unencodable, missing = build(load_readings(source))
    write_table(output, entries, polyphones)
    for char, syllable in unencodable:
        print(f"cannot encode {char} U+{ord(char):04X} reading '{syllable}'", file=sys.stderr)
    for char in missing:
        print(f"no reading for {char} U+{ord(char):04X}", file=sys.stderr)
    assigned = sum(1 for e in entries if e)
    print(f"{assigned} characters with a reading, {len(polyphones)} polyphones, "
          f"{len(missing)} without a reading, {len(unencodable)} readings not encodable", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
