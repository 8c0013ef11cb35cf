"""Links the parts of a concatenated SMS-SUBMIT with python3-gammu, an independent
codec. Reads one hex PDU per line (service-centre field first) and prints the number of
PDUs, the destination and the joined text (UTF-8) on three lines."""
import sys

import gammu

messages = []
for line in sys.stdin:
    line = line.strip()
    if line:
        messages.append([gammu.DecodePDU(bytes.fromhex(line), SMSC=True)])
linked = gammu.LinkSMS(messages)
if len(linked) != 1:
    sys.exit("the parts make %d messages, not one" % len(linked))
decoded = gammu.DecodeSMS(linked[0])
text = decoded["Entries"][0]["Buffer"] if decoded else linked[0][0]["Text"]
print(len(linked[0]))
print(linked[0][0]["Number"])
print(text.replace("\n", "\\n"))
