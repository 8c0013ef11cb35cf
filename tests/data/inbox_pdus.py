"""Writes inbox-pdus.txt: SMS-DELIVER PDUs (service centre first) made by python3-gammu,
an independent codec, for the inbox tests. One PDU a line after the message's name.

    /usr/bin/python3 tests/data/inbox_pdus.py > tests/data/inbox-pdus.txt
"""
import datetime

import gammu

WHEN = datetime.datetime(2025, 12, 31, 8, 30, 0)


def deliver(number, text, reference=None, unicode=True):
    parts = gammu.EncodeSMS({"Class": -1, "Unicode": unicode,
                             "Entries": [{"ID": "ConcatenatedTextLong", "Buffer": text}]})
    for part in parts:
        part.update(Number=number, DateTime=WHEN, SMSCDateTime=WHEN, Type="Deliver",
                    SMSC={"Location": 0, "Number": "+8613800000500", "Validity": "NA"})
        if reference is not None and part["UDH"]["Type"] != "NoUDH":
            header = bytearray(part["UDH"]["Text"])
            header[3] = reference
            part["UDH"]["Text"] = bytes(header)
            part["UDH"]["ID8bit"] = reference
        yield gammu.EncodePDU(part, Layout="Deliver").hex().upper()


MESSAGES = {
    # 152 UTF-16 units in 3 parts, an emoji at the end.
    "long": deliver("+8613912345678", "长信" * 75 + "\U0001F600", 0x2A),
    "hangul": deliver("+8613912345678", "안녕하세요 😀 你好"),
    # A listing line, a ring and a caller line forged in a GSM 7-bit body.
    "forged": deliver("10086", 'hello\r\n+CMGL: 29,"REC UNREAD","+8613800138000",,'
                      '"25/12/31,08:30:00+32"\r\nRING\r\n+CLIP: "95588",129', unicode=False),
    # Two long messages of 2 parts each with one reference.
    "same-reference": list(deliver("10010", "A" * 200, 0x55, False)) +
                      list(deliver("10010", "B" * 200, 0x55, False)),
}

print("# Written by inbox_pdus.py with python3-gammu; time stamp 25/12/31 08:30:00.")
for name, pdus in MESSAGES.items():
    for pdu in pdus:
        print(name, pdu)
