#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into OUT/<target>/: the captured modem
answers of tests/data/captured-answers, the recorded pppd sessions, and small samples of
each file format. The checked-in corpus (fuzz/corpus/<target>/) holds what fuzzing found.

usage: make_seeds.py OUT"""
import glob
import hashlib
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ANSWERS = os.path.join(ROOT, "tests", "data", "captured-answers")


def unescape(text):
    out = bytearray()
    i = 0
    raw = text.encode("utf-8")
    simple = {ord("r"): 13, ord("n"): 10, ord("t"): 9, ord("\\"): 92}
    while i < len(raw):
        c = raw[i]
        if c == 92 and i + 1 < len(raw):
            n = raw[i + 1]
            if n in simple:
                out.append(simple[n])
                i += 2
                continue
            if n == ord("x") and i + 3 < len(raw):
                out.append(int(raw[i + 2:i + 4], 16))
                i += 4
                continue
        out.append(c)
        i += 1
    return bytes(out)


def captured(name):
    """(sent, received) of every sample of one file, received framed as on the wire."""
    samples = []
    with open(os.path.join(ANSWERS, name), encoding="utf-8") as f:
        blocks = f.read().split("\n\n")
    for block in blocks:
        lines = [l for l in block.split("\n") if l]
        if not lines or not lines[0].startswith("# source:"):
            continue
        framing = ""
        sent, received = b"", b""
        for line in lines:
            if line.startswith("# framing:"):
                framing = line.split(":", 1)[1].strip()
            elif line.startswith("> "):
                sent += unescape(line[2:])
            elif line.startswith("< "):
                received += unescape(line[2:])
            elif line.startswith("| "):
                received += b"\r\n" + line[2:].encode("utf-8") + b"\r\n"
        if framing == "stripped" and received and not received.startswith(b"\r\n"):
            received = b"\r\n" + received + b"\r\n"
        samples.append((sent, received))
    return samples


def write(out, target, data):
    folder = os.path.join(out, target)
    os.makedirs(folder, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def bmp(bits, width, height, top_down=False):
    stride = (width * bits + 31) // 32 * 4
    table = (1 << bits) * 4 if bits <= 8 else (12 if bits == 16 else 0)
    offset = 14 + 40 + table
    pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(height) for x in range(stride))
    compression = 3 if bits == 16 else 0
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(pixels), 2835, 2835, 0, 0)
    if bits <= 8:
        extra = b"".join(struct.pack("<I", (i * 0x010203) & 0xFFFFFF) for i in range(1 << bits))
    elif bits == 16:
        extra = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    else:
        extra = b""
    return header + info + extra + pixels


def card_pieces(data):
    """The card target's input: pieces of at most 64 bytes, each after a length byte."""
    out = b""
    for at in range(0, len(data), 64):
        piece = data[at:at + 64]
        out += bytes([len(piece) - 1]) + piece
    return out


def gbk_record(*fields):
    out = b""
    for text, width in fields:
        data = text.encode("gbk")[:width - 1]
        out += data + b"\0" * (width - len(data))
    return out


def semi_octets(digits):
    padded = digits + ("F" if len(digits) % 2 else "")
    return bytes(int(padded[i + 1] + padded[i], 16) for i in range(0, len(padded), 2))


def pack_septets(septets, fill_bits):
    value, bits = 0, fill_bits
    for septet in septets:
        value |= (septet & 0x7F) << bits
        bits += 7
    return value.to_bytes((bits + 7) // 8, "little")


def deliver(number, coding, text, header=b""):
    """An SMS-DELIVER with a service centre, user data in UCS2 (coding 8) or GSM 7-bit
    (coding 0, ASCII letters only), after the user-data header when there is one."""
    udh = bytes([len(header)]) + header if header else b""
    if coding == 8:
        data = udh + text.encode("utf-16-be")
        length = len(data)
    else:
        skip = (len(udh) * 8 + 6) // 7
        packed = pack_septets(text.encode("ascii"), skip * 7 - len(udh) * 8)
        data = udh + packed
        length = skip + len(text)
    digits = number.lstrip("+")
    centre = semi_octets("8613800000500")
    return (bytes([1 + len(centre), 0x91]) + centre + bytes([0x44 if header else 0x04]) +
            bytes([len(digits), 0x91]) + semi_octets(digits) + bytes([0, coding]) +
            semi_octets("52120812000000") + bytes([length]) + data)


def long_message(number, coding, parts, reference, sixteen_bit=False):
    pdus = []
    for sequence, text in enumerate(parts, 1):
        if sixteen_bit:
            header = bytes([8, 4, reference >> 8, reference & 0xFF, len(parts), sequence])
        else:
            header = bytes([0, 3, reference, len(parts), sequence])
        pdus.append(deliver(number, coding, text, header))
    return pdus


def part_line(number, reference, total, sequence, arrived, text):
    return (number.encode().hex().upper() + " %d %d %d %d " % (reference, total, sequence, arrived) +
            text.encode().hex().upper() + "\n").encode()


def main():
    out = sys.argv[1]
    status = ["cpin.txt", "creg_cgreg.txt", "csq.txt", "cgmi_echo.txt", "errors.txt"]
    for name in status:
        for _, received in captured(name):
            write(out, "status_answers", received)
    for _, received in captured("cmgr_pdu.txt"):
        write(out, "cmgr_pdu", received)
    for _, received in captured("cmgr_text.txt"):
        write(out, "cmgr_text", b"\x02" + received)
    for name in ["cmgl_pdu.txt", "cmgl_text.txt"]:
        for _, received in captured(name):
            write(out, "cmgl", received)
    for _, received in captured("clip_ring.txt"):
        write(out, "clip", received)

    # The SIM lock and USSD readers: the captured +CPIN answers, tries left, and +CUSD in
    # each data coding.
    for _, received in captured("cpin.txt"):
        write(out, "sim_ussd", received)
    for answer in [b"\r\n+CPINR: SIM PIN,3,3\r\n+CPINR: SIM PUK,10,10\r\n\r\nOK\r\n",
                   b"\r\n+CPINC: 2,10\r\n\r\nOK\r\n",
                   b"\r\n+CUSD: 0,\"E8329BFD4697D9EC37\",15\r\n",
                   b"\r\n+CUSD: 0,\"CF2135487D2E4130572D0682BB1A\",0\r\n",
                   b"\r\n+CUSD: 1,\"Balance: 12.50 CNY\r\n1 Data\",15\r\n",
                   b"\r\n+CUSD: 0,\"4F59989D003500304E07\",72\r\n",
                   b"\r\n+CUSD: 0,\"48E9\",68\r\n", b"\r\n+CUSD: 4\r\n"]:
        write(out, "sim_ussd", answer)

    # The inbox: PDUs of the captured answers, and long messages as a network splits them.
    for name in ["cmgr_pdu.txt", "cmgl_pdu.txt"]:
        for _, received in captured(name):
            for line in received.split(b"\r\n"):
                if len(line) >= 30 and len(line) % 2 == 0 and all(c in b"0123456789ABCDEF" for c in line):
                    write(out, "sms_deliver", bytes.fromhex(line.decode()))
    ucs2 = long_message("+8613912345678", 8, ["你好，这是一条", "很长的短信，", "分三部分发来"], 0x21)
    gsm = long_message("+8613912345678", 0, ["Part one of a long ", "message in 7-bit"], 0x1234,
                       sixteen_bit=True)
    for pdu in ucs2 + gsm + [deliver("10086", 8, "余额"), deliver("10086", 0, "hello")]:
        write(out, "sms_deliver", pdu)

    # The part store: parts in any order, a stranger, a part twice, a bad line.
    parts = [part_line("+8613912345678", 33, 3, 3, 1000, "分三部分发来"),
             part_line("10086", 7, 2, 1, 2000, "hello "),
             part_line("+8613912345678", 33, 3, 1, 1500, "你好，这是一条"),
             part_line("+8613912345678", 33, 3, 1, 1600, "again"),
             b"2B38 1 2 3 4 ZZ\n",
             part_line("+8613912345678", 33, 3, 2, 1700, "很长的短信，")]
    write(out, "part_store", b"\x00" + b"".join(parts))
    write(out, "part_store", b"\x20" + b"".join(parts[:2]))
    write(out, "part_store", b"\x00" + part_line("", 65535, 255, 255, 1 << 40, ""))

    # The engine: each operation with answers taken from the samples of its commands.
    ok = b"\r\nOK\r\n"
    by_operation = {0: ["cpin.txt"], 1: ["creg_cgreg.txt"], 2: ["csq.txt"],
                    3: ["cmgl_pdu.txt", "cmgl_text.txt"], 4: ["cmgr_pdu.txt", "cmgr_text.txt"],
                    5: ["clip_ring.txt"], 6: ["cmgs.txt"], 7: ["cmgs.txt"], 8: ["errors.txt"],
                    9: ["cgmi_echo.txt"]}
    for operation, names in by_operation.items():
        for name in names:
            for _, received in captured(name):
                answers = [ok, received, ok, received, ok]
                write(out, "engine_answers", bytes([operation, 0]) + b"\xff".join(answers))
                write(out, "engine_answers", bytes([operation, 7]) + received)

    # The virtual card: the command lines hosts sent, whole and as the line body.
    every_sent = b""
    for path in sorted(glob.glob(os.path.join(ANSWERS, "*.txt"))):
        name = os.path.basename(path)
        if name == "FORMAT.txt":
            continue
        for sent, _ in captured(name):
            if not sent:
                continue
            every_sent += sent if sent.endswith(b"\r") else sent + b"\r"
            for line in sent.split(b"\r"):
                if line[:2].upper() == b"AT":
                    write(out, "at_command_line", line[2:])
    write(out, "card_modem", card_pieces(every_sent))
    write(out, "card_modem", card_pieces(
        b"ATE0\rAT+CMGF=1\rAT+CMGS=\"10086\"\rhello\x1aAT+CMGF=0\rAT+CMGL=4\rAT+CMGR=1\r"
        b"AT+CMGD=1\rATD*99***1#\r+++ATH0\r"))
    write(out, "card_modem", card_pieces(
        b"AT+CMGF=0\rAT+CMGS=18\r0011000B813108108300F0000800044F60597D\x1aATD10086;\r"
        b"AT+VTS=5\rATH0\rAT+IPR=9600\rAT&W\r"))
    write(out, "card_console", b"call 13800138000\nhangup\nsms 10086 hello\\nworld\n"
          b"signal 31\nreg 5\nsim locked\nfault error AT+CPIN 2\nfault noanswer AT\n"
          b"fault clear\ndelay 300\ndead on\ndead off\nlines\nsent\nstored\nquit\n")

    # pppd: the recorded sessions, with the exit status first.
    for path in sorted(glob.glob(os.path.join(ROOT, "tests", "dialup", "data", "pppd", "*.txt"))):
        lines, status_code = [], 0
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.rstrip("\n")
                if line.startswith("@exit "):
                    status_code = int(line.split()[1])
                elif line.startswith("+"):
                    lines.append(line.split(" ", 1)[1] if " " in line else "")
        write(out, "pppd_output", bytes([status_code + 1]) + "\n".join(lines).encode("utf-8"))

    write(out, "ini", b"[0000]\nFriendlyName=VeltroGSM\xe6\x97\xa0\xe7\xba\xbf\xe8\xb0\x83"
          b"\xe5\x88\xb6\xe8\xa7\xa3\xe8\xb0\x83\xe5\x99\xa8\nAttachedTo=ttyUSB0\n\n"
          b"[0001]\nFriendlyName=\"Other modem\"\nAttachedTo=pts/7\n")
    write(out, "ini", b"; phonebook\n[VLGPRS]\nDeviceType=modem\nDeviceName=VeltroGSM\n"
          b"PhoneNumber=*99***1#\nOptions=0x10\n\n[Other]\nPhoneNumber=\n")
    write(out, "connection_record", b"[connection]\nPid=4242\nPidStart=123456\nOwner=99\n"
          b"OwnerStart=1000\nEntry=VLGPRS\nDeviceType=modem\nDeviceName=VeltroGSM\n"
          b"Log=/run/user/1000/veltrogprs/4242.log\nOptions=/run/user/1000/veltrogprs/4242.opt\n")

    write(out, "records", gbk_record(("张三", 16), ("13800138000", 32)) +
          gbk_record(("Mum", 16), ("+8613912345678", 32)))
    write(out, "records", gbk_record(("10086", 32), ("12:30:05", 32), ("你好，世界", 256)))
    write(out, "records", b"\xff" * 320 + b"\x81" * 48)

    for bits in (1, 4, 8, 16, 24, 32):
        write(out, "dib", bmp(bits, 7, 5))
        write(out, "dib", bmp(bits, 3, 2, top_down=True))


if __name__ == "__main__":
    main()
