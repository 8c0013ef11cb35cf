"""Decodes SMS PDUs with python3-gammu, one hex PDU per input line.

Prints one line per PDU: type, number, coding, part/parts (0/0 without a header),
service centre, then the text with line breaks as \\n, separated by tabs.
"""
import sys

import gammu

for line in sys.stdin:
    line = line.strip()
    if not line:
        continue
    sms = gammu.DecodePDU(bytes.fromhex(line))
    udh = sms["UDH"]
    part = "%d/%d" % (udh["PartNumber"], udh["AllParts"]) if udh["Type"] != "NoUDH" else "0/0"
    # python3-gammu sizes the text by the user-data length in septets, so escape
    # sequences leave NULs (and whatever follows them) at its end.
    text = sms["Text"].split("\x00")[0].replace("\n", "\\n")
    print("\t".join([sms["Type"], sms["Number"], sms["Coding"], part, sms["SMSC"]["Number"], text]))
