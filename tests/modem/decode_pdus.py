#!/usr/bin/env python3
"""Decodes every PDU that sms_pdu_samples builds with python-gammu, an independent
SMS codec, and checks number, text, coding, message reference and the AT+CMGS length."""
import subprocess
import sys

import gammu

# number given, text, number as the decoder reads it (None: the builder must refuse)
CASES = [
    ("13800138000", "你好", "+8613800138000"),
    ("12345678901", "A", "+8612345678901"),
    ("+8613800138000", "Hello", "+8613800138000"),
    ("123456789012", "12位号码", "+86123456789012"),
    ("1380013800", "ten", "+861380013800"),
    ("+4915112345678", "Grüße", "+4915112345678"),
    ("13800138000", "1234567", "+8613800138000"),
    ("13800138000", "12345678", "+8613800138000"),
    ("13800138000", "你" * 70, "+8613800138000"),
    ("13800138000", "a\u0fff\u1000\u00ff\n", "+8613800138000"),
    ("13800138000", "\U0001F600", "+8613800138000"),
    ("13800138000", "", "+8613800138000"),
    ("13800138000", "x" * 71, None),
    ("+86 138", "x", None),
]


def main():
    program = sys.argv[1]
    arguments = [item for number, text, _ in CASES for item in (number, text)]
    lines = subprocess.run([program] + arguments, check=True, capture_output=True,
                           text=True).stdout.splitlines()
    if len(lines) != len(CASES):
        sys.exit(f"expected {len(CASES)} lines, got {len(lines)}")
    failures = []
    reference = 0
    for (number, text, decoded_number), line in zip(CASES, lines):
        name = f"{number!r} {text[:12]!r}"
        if decoded_number is None:
            if line != "refused":
                failures.append(f"{name}: built {line}, expected a refusal")
            continue
        reference = (reference + 1) % 10
        if line == "refused":
            failures.append(f"{name}: refused")
            continue
        hex_pdu, length = line.split()
        sms = gammu.DecodePDU(bytes.fromhex(hex_pdu), SMSC=True)
        checks = [
            ("number", sms["Number"], decoded_number),
            ("text", sms["Text"], text),
            ("type", sms["Type"], "Submit"),
            ("coding", sms["Coding"], "Unicode_No_Compression"),
            ("reference", sms["MessageReference"], reference),
            ("udh", sms["UDH"]["Type"], "NoUDH"),
            ("AT+CMGS length", int(length), len(hex_pdu) // 2 - 1),
        ]
        for what, got, want in checks:
            if got != want:
                failures.append(f"{name}: {what} {got!r}, expected {want!r}")
    for failure in failures:
        print(failure)
    print(f"{len(CASES)} PDUs checked, {len(failures)} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
