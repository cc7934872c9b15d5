#!/usr/bin/env python3
"""Writes the hand-made starting inputs of every harness into tests/fuzz/corpus/.

The fuzzers add what reached new coverage; run this once for an empty tree
(existing files are kept)."""
import os, struct, sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(harness, name, data):
    d = os.path.join(ROOT, harness)
    os.makedirs(d, exist_ok=True)
    path = os.path.join(d, "seed_" + name)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(path, "wb") as f:
        f.write(data)


OK = "\r\nOK\r\n"
# reply_parser: code, op, port, index, read flag, capacity, reply
replies = {
    "msn": (4, 0, 11, 0, 0, 0, "\r\n12345\r\n" + OK),
    "clip": (5, 0, 21, 0, 0, 0, "\r\n1\r\n" + OK),
    "timer": (7, 3, 11, 0, 0, 0, "\r\n07:30\r\n" + OK),
    "clock": (8, 3, 0, 0, 0, 0, "\r\n24.12.31 23:59:58\r\n" + OK),
    "cfu": (17, 0, 11, 0, 0, 0, "\r\nON    0301234\r\n" + OK),
    "range": (27, 0, 0, 1, 0, 0, "\r\n0100-0199\r\n" + OK),
    "log": (29, 0, 0, 0, 0, 40, "\r\nOUTGOING CALLS:\r\n01.01 10:00 0301234 OK 1,234 DM\n" + OK),
    "log_tiny": (29, 0, 0, 1, 0, 1, "\r\nINCOMING CALLS:\r\n" + OK),
    "charge": (30, 0, 0, 0, 0, 20, "\r\nP11: 12,345 DM\r\nP21: 0,000 DM\r\nATA: ???\r\n" + OK),
    "ident": (31, 0, 0, 0, 0, 0, "\r\n633 USB\r\n" + OK),
    "dataproto": (47, 0, 0, 0, 0, 0, "\r\n95\r\n" + OK),
    "eid": (48, 0, 12, 0, 0, 0, "\r\n1234\r\n" + OK),
    "isdn": (50, 0, 0, 0, 0, 0, "\r\n3\r\n" + OK),
    "important": (52, 0, 0, 0, 0, 8, "\r\nS0=1 S7=60 S9=2\r\n" + OK),
    "changed": (53, 0, 0, 0, 0, 64, "\r\nB0 E0 L1\r\n" + OK),
    "linestate": (54, 0, 0, 0, 0, 0, "\r\n1 0 1 0 1\r\n" + OK),
    "noreply": (4, 0, 11, 0, 1, 0, ""),
    "nook": (5, 0, 11, 0, 0, 0, "\r\nERROR\r\n"),
}
for name, (code, op, port, idx, rd, cap, text) in replies.items():
    put("reply_parser", name, bytes([code, op, port, idx, rd, cap]) + text.encode("latin-1"))

# command_builder: code, op, port, index, then record bytes from nIndex on.
def record(nIndex=0, nOp=0, text=b"", text2=b"", text3=b"", nValue=0, bFlag=0, nFrom=0, nTo=0):
    r = struct.pack("<ii", nIndex, nOp) + b"\0" * 52 + struct.pack("<iiii", 0, 0, bFlag, nValue)
    r += text.ljust(32, b"\0")[:32] + text2.ljust(32, b"\0")[:32] + text3.ljust(32, b"\0")[:32]
    return r + struct.pack("<ii", nFrom, nTo)

builds = {
    "msn_set": (4, 1, 11, 0, record(text=b"0301234567")),
    "msn_long": (4, 1, 21, 2, record(text=b"1" * 31)),
    "lcr_prefix": (24, 1, 0, 3, record(text3=b"01019")),
    "lcr_range": (27, 1, 0, 5, record(text=b"0100", text2=b"0199")),
    "clock": (8, 1, 0, 0, record(nValue=2024, text=bytes([12, 31, 23, 59, 58]))),
    "callback": (45, 1, 0, 9, record(text=b"0123456789")),
    "dial": (46, 1, 0, 0, record(text=b"0301234")),
    "control": (4, 1, 11, 0, record(text=b"12\r34")),
    "dataproto": (47, 1, 3, 0, record(text=struct.pack("<i", 7))),
}
for name, (code, op, port, idx, rec) in builds.items():
    put("command_builder", name, bytes([code, op, port, idx]) + rec)

# log_parse: list, five names, text
names = b"Kitchen\0Office\0\0Fax\0Door\0"
put("log_parse", "outgoing", b"\x00" + names + b"01.01.24 10:00 0301234 OK 1,234 DM\n02.01.24 -11:00 *21 BUSY 0,120 DM\n")
put("log_parse", "incoming", b"\x01" + names + b"03.01.24 12:00 ** NO ID\r\n04.01.24 13:00 NO ID x\n\r\n\r\n")
put("log_parse", "missed", b"\x02" + names + b"05.01.24\t14:00\t0891234\tCAUSE 34\n")
put("log_parse", "short", b"\x01" + names + b"abc")

put("charge_parse", "row5", b"\x01P11: 12,345 DM\r\nP21: 0,120 DM\r\nP22: ???\r\nP31: 1,000 EUR\r\nP32: 2,5\r\nATA: 0,000 DM\r\n")
put("charge_parse", "row3", b"\x00P11: 12,345 DM\r\nATA: 3,21 DM\r\n")
put("charge_parse", "total", b"\x00\r\n123,456 EUR\r\n\r\nOK\r\n")
put("charge_parse", "empty", b"\x01")

ini = ("[MSN_DIV]\r\nAMSN00=123\r\nAMSN01 = \"456\" \r\n; comment\r\n[SET_DIV]\r\nLanguage=1\r\n"
       "[MSN_DIV]\r\nAMSN00=dup\r\n")
put("ini_document", "replace", b"MSN_DIV\0AMSN00\0999\0" + ini.encode())
put("ini_document", "new_key", b"SET_DIV\0Sound\0 1 \0" + ini.encode())
put("ini_document", "new_section", b"LCR_DIV\0PROV0\0Cheap\0" + ini.encode())
put("ini_document", "bom_lf", b"A\0k\0v\0\xef\xbb\xbfk0=v0\n[A]\nk=old\n\x1a")
put("ini_document", "cr_only", b"a\0K\0x\0[a]\rk=\r[b]\r")
put("ini_document", "leading", b"x\0y\0z\0key=value\nnovalue\n[ x ]\n")

put("firmware_header", "r70usb", b"\x01QKM-633S-USB\x002.10\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00BOOT 1.0")
put("firmware_header", "r30", b"\x01QKM-613S" + b"\0" * 24 + b"1.02")
put("firmware_header", "short", b"\x00" + b"\xff" * 600)
put("firmware_header", "foreign", b"\x01" + b"X" * 80)

put("number_classifier", "digits", names + b"0301234567")
put("number_classifier", "name", names + b"Kitchen")
put("number_classifier", "star", names + b"*22")
put("number_classifier", "utf8", b"J\xc3\xbcrgen\0\0\0\0\0" + b"J\xc3\xbcrgen")
put("number_classifier", "long", names + b"1234567890123456")
put("number_classifier", "bad_utf8", names + b"\xff\xfe12")

def band(fr, to, pre, prov, flags=b"\x00\x00"):
    return b"\x00" + fr + b"\0" + b"\x00" + to + b"\0" + b"\x00" + pre + b"\0" + b"\x00" + prov + b"\0" + flags

put("lcr_check", "sorted", band(b"8", b"18", b"01019", b"A") + band(b"18", b"24", b"01013", b"B") + band(b"0", b"8", b"01070", b"C"))
put("lcr_check", "overlap", band(b"8", b"18", b"01019", b"A") + band(b"10", b"12", b"01013", b"B"))
put("lcr_check", "partial", band(b"8", b"", b"", b"A"))
put("lcr_check", "edited", b"\x01\0" + b"07\0" + b"\x01\0" + b"99999999999\0" + b"\x00\0\x00\0\x03\x07")

for name, t in {"ok": b"7:30", "hour": b"23", "empty": b"", "colon": b":", "bad": b"24:00",
                "sign": b"-1:00", "crlf": b"12:34\r\nx", "twice": b"1:2:3", "big": b"99999999999:1"}.items():
    put("clock_time", name, t)

for name, t in {"empty": b"", "ok": b"0301234", "long": b"1234567890123456", "max": b"123456789012345",
                "letter": b"12a4", "blank": b"12 34"}.items():
    put("callback_number", name, t)

put("port_entry", "star", names + b"*21\0\x00Office\0\x01\x05\x03")
put("port_entry", "rename", names + b"*22\0\x04\x02Kitchen\0\x01\x05\x02")
put("port_entry", "digits", names + b"0301234\0\x00*11\0\x01\x05\x05*31\0\x01\x03\x03")
put("port_entry", "same_names", b"A\0A\0A\0\0\0" + b"*22\0\x00A\0\x01\x05\x02")

# telnet_decoder: mode (1 purge pending, 2 Synch, 4 opened), piece size, the server's bytes.
IAC, SB, SE, WILL, WONT, DO, DONT = 255, 250, 240, 251, 252, 253, 254
def sub(*b):
    return bytes([IAC, SB, 44]) + bytes(b) + bytes([IAC, SE])
greeting = bytes([IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 1, IAC, DO, 0, IAC, WILL, 0, IAC, DO, 44])
put("telnet_decoder", "ser2net_open", b"\x00\x40" + greeting + sub(102, 8) + sub(103, 1) + sub(104, 1) + sub(112, 1))
put("telnet_decoder", "purge_then_reply", b"\x01\x03" + b"\r\n7\r\n" + sub(112, 1) + b"\r\nOK\r\n")
put("telnet_decoder", "baud_0xff", b"\x00\x05" + sub(101, 0, 1, 0xC2, 0) + sub(101, 0xFF, 0xFF, 0xFF, 0xFF) + b"\xff\xff\xff\xff")
put("telnet_decoder", "signature", b"\x00\x10" + sub(100, *b"ser2net 4.3.11") + sub(108) + sub(109))
put("telnet_decoder", "synch", b"\x02\x07" + b"junk" + bytes([IAC, 242]) + b"\r\nOK\r\n")
put("telnet_decoder", "broken_sub", b"\x00\x02" + b"ab" + bytes([IAC, SB, 44, 101, IAC, 241]) + b"cd" + bytes([IAC, SE]))
put("telnet_decoder", "withdraw", b"\x04\x01" + b"a" + bytes([IAC, WONT, 0, IAC, DONT, 44]) + b"b")
put("telnet_decoder", "flood", b"\x00\x3f" + bytes([IAC, WILL, 1, IAC, WONT, 1]) * 40 + b"x")
