# The independent vCard reader and writer of the exchange tests (python3-vobject).
#
#   vobject_cards.py write VERSION OUT.vcf < contacts.json
#       contacts: [{"fn", "family", "given", "cell": [..], "home": [..], "email", "street", "locality",
#                   "region", "bday", "note", "categories": [..], "qq": [..], "gender", "photo": base64}]
#       VERSION 2.1: every non-ASCII value quoted-printable with CHARSET=UTF-8, PHOTO;ENCODING=BASE64
#       VERSION 3.0: vobject's own writing; PHOTO;ENCODING=b
#       VERSION 4.0: TEL as tel: addresses, IMPP:qq:, GENDER, PHOTO as a data: address
#   vobject_cards.py read IN.vcf > cards.json
#       every card's properties as vobject parses them (photos base64).
import base64, json, sys
import vobject


def qp(text):
    return "".join(ch if ord(ch) < 128 and ch not in "=\r\n" else
                   "".join("=%02X" % b for b in ch.encode("utf-8")) for ch in text)


def needs_qp(text):
    return any(ord(ch) >= 128 or ch in "\r\n" for ch in text)


def raw(line, encoded):
    # A value vobject writes as it stands: the test encodes it (quoted-printable,
    # 2.1 base64) the way the phones that write 2.1 cards do.
    line.value = encoded
    line.encoded = True
    line.isNative = False


def write(version, out, contacts):
    cards = []
    for c in contacts:
        card = vobject.vCard()
        card.add("version").value = version

        def text(name, value):
            line = card.add(name)
            if version == "2.1" and needs_qp(value):
                raw(line, qp(value))
                line.charset_param = "UTF-8"
                line.encoding_param = "QUOTED-PRINTABLE"
            else:
                line.value = value
            return line

        if c.get("fn"):
            text("fn", c["fn"])
        elif version != "2.1":
            # FN is required from 3.0 on (2.1 cards without one are read from N).
            text("fn", (c.get("given", "") + " " + c.get("family", "")).strip())
        if c.get("family") or c.get("given"):
            if version == "2.1" and needs_qp(c.get("family", "") + c.get("given", "")):
                n = card.add("n")
                raw(n, qp(c.get("family", "")) + ";" + qp(c.get("given", "")) + ";;;")
                n.charset_param = "UTF-8"
                n.encoding_param = "QUOTED-PRINTABLE"
            else:
                card.add("n").value = vobject.vcard.Name(family=c.get("family", ""), given=c.get("given", ""))
        for kind, numbers in (("CELL", c.get("cell", [])), ("HOME", c.get("home", []))):
            for number in numbers:
                tel = card.add("tel")
                if version == "4.0":
                    tel.value = "tel:" + number
                    tel.value_param = "uri"
                    tel.type_param = kind.lower()
                else:
                    tel.value = number
                    tel.type_param = kind
        if c.get("email"):
            card.add("email").value = c["email"]
        if c.get("street") or c.get("locality"):
            if version == "2.1" and needs_qp(c.get("street", "") + c.get("locality", "") + c.get("region", "")):
                adr = card.add("adr")
                raw(adr, ";;" + qp(c.get("street", "")) + ";" + qp(c.get("locality", "")) + ";" +
                    qp(c.get("region", "")) + ";;")
                adr.charset_param = "UTF-8"
                adr.encoding_param = "QUOTED-PRINTABLE"
            else:
                card.add("adr").value = vobject.vcard.Address(street=c.get("street", ""),
                                                              city=c.get("locality", ""),
                                                              region=c.get("region", ""))
        if c.get("bday"):
            card.add("bday").value = c["bday"]
        if c.get("note"):
            text("note", c["note"])
        if c.get("categories"):
            card.add("categories").value = c["categories"]
        for number in c.get("qq", []):
            if version == "4.0":
                card.add("impp").value = "qq:" + number
            else:
                card.add("x-qq").value = number
        if c.get("gender"):
            card.add("gender" if version == "4.0" else "x-gender").value = c["gender"]
        if c.get("photo"):
            photo = card.add("photo")
            if version == "4.0":
                photo.value = "data:image/jpeg;base64," + c["photo"]
            elif version == "2.1":
                raw(photo, c["photo"])
                photo.encoding_param = "BASE64"
                photo.type_param = "JPEG"
            else:
                photo.value = base64.b64decode(c["photo"])
                photo.encoding_param = "b"
                photo.type_param = "JPEG"
        cards.append(card.serialize(validate=version != "2.1"))
    with open(out, "w", encoding="utf-8", newline="") as f:
        f.write("".join(cards))


def read(path):
    with open(path, encoding="utf-8", newline="") as f:
        data = f.read()
    cards = []
    for card in vobject.readComponents(data):
        props = {}
        for line in card.getChildren():
            value = line.value
            if isinstance(value, bytes):
                value = base64.b64encode(value).decode("ascii")
            elif isinstance(value, vobject.vcard.Name):
                value = {"family": value.family, "given": value.given}
            elif isinstance(value, vobject.vcard.Address):
                value = {"street": value.street, "city": value.city}
            elif not isinstance(value, (str, list)):
                value = str(value)
            entry = {"value": value, "params": {k: v for k, v in line.params.items()}}
            props.setdefault(line.name, []).append(entry)
        cards.append(props)
    json.dump(cards, sys.stdout, ensure_ascii=False)


if sys.argv[1] == "write":
    write(sys.argv[2], sys.argv[3], json.load(sys.stdin))
else:
    read(sys.argv[2])
