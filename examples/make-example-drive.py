#!/usr/bin/env python3
"""Writes the example drive: vaz3er.ini, user.sdx and 3ci.drc.

Every byte is invented here; nothing comes from a real receiver. 3ci.drc is a
whole receiver file: a made-up head of the receiver's own settings, then the
channels of an earlier list, made by the program from this drive with the
questions left unanswered (no scrambled programmes, no feeds), so that a run
with other answers shows what changed. Without PROGRAM only the head is
written. Run it from anywhere:

    python3 examples/make-example-drive.py examples/drive-c build/release/tunewerk
"""
import subprocess
import sys
import tempfile
from pathlib import Path


def field(text, width):
    text = str(text)
    assert len(text) <= width, (text, width)
    return text.ljust(width)


def number(value, width):
    return str(value).rjust(width, "0")


def sdx_line(tp_name, radio, freq, pol, name, pos, provider, symbol_rate,
             vpid, apid, pcr, sid, tp_code, tag, ca, stream="MPG2"):
    """One SDX line of 126 columns; columns are 1-based as in the format."""
    line = [" "] * 126

    def put(column, text):
        for i, ch in enumerate(text):
            line[column - 1 + i] = ch

    put(1, "T" if not radio else "R")
    put(2, number(pos, 3) + "E")
    put(10, field(tp_name, 14))
    put(28, "R" if radio else "T")
    put(29, stream)
    put(33, number(freq, 8))
    put(42, "1" if pol else "0")
    put(43, field(name[:8], 8))
    put(51, number(pos, 3))
    put(55, field(provider, 8))
    put(69, number(symbol_rate, 5))
    put(75, number(vpid, 4))
    put(79, number(apid, 4))
    put(83, number(pcr, 4))
    put(87, number(sid, 5))
    put(97, number(tp_code, 5))
    put(102, field(tag, 3))
    put(111, field(ca, 4))
    put(115, field(name[8:20], 12))
    return "".join(line)


FREE = "____"


def records():
    r = []
    # 19.2 East, one high-band horizontal transponder: TV with two audio streams.
    tp = dict(tp_name="NORD HD 1", freq=1174250, pol=True, pos=192, symbol_rate=27500, tp_code=1057)
    r.append(sdx_line(radio=False, name="Nordfunk Eins", provider="NORDFUNK", vpid=101, apid=102, pcr=101, sid=28106, tag="deu", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Nordfunk Eins", provider="NORDFUNK", vpid=101, apid=106, pcr=101, sid=28106, tag="2ch", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Nordfunk Zwei", provider="NORDFUNK", vpid=201, apid=202, pcr=201, sid=28107, tag="deu", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Nordwelle Radio", provider="NORDFUNK", vpid=0, apid=501, pcr=501, sid=28110, tag="deu", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Nordwelle Klassik", provider="NORDFUNK", vpid=0, apid=511, pcr=511, sid=28111, tag="deu", ca=FREE, **tp))
    # A pay package, scrambled.
    tp = dict(tp_name="SATPAY 3", freq=1202750, pol=False, pos=192, symbol_rate=27500, tp_code=1075)
    r.append(sdx_line(radio=False, name="Satpay Cinema", provider="SATPAY  ", vpid=511, apid=512, pcr=511, sid=10, tag="deu", ca="1702", **tp))
    r.append(sdx_line(radio=False, name="Satpay Cinema", provider="SATPAY  ", vpid=511, apid=513, pcr=511, sid=10, tag="eng", ca="1702", **tp))
    r.append(sdx_line(radio=False, name="Satpay Sport", provider="SATPAY  ", vpid=521, apid=522, pcr=521, sid=11, tag="deu", ca="1702", **tp))
    r.append(sdx_line(radio=False, name="Satpay Preview", provider="SATPAY  ", vpid=531, apid=532, pcr=531, sid=12, tag="deu", ca=FREE, **tp))
    # An excluded provider (listed in vaz3er.ini).
    r.append(sdx_line(radio=False, name="Shop 24 Direkt", provider="SHOPTV  ", vpid=601, apid=602, pcr=601, sid=13, tag="deu", ca=FREE, **tp))
    # 13.0 East, low band vertical: TV with three languages, a radio, a feed.
    tp = dict(tp_name="ALPEN 7", freq=1099200, pol=False, pos=130, symbol_rate=27500, tp_code=200)
    r.append(sdx_line(radio=False, name="Alpen TV", provider="ALPENTV ", vpid=160, apid=80, pcr=160, sid=4301, tag="ita", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Alpen TV", provider="ALPENTV ", vpid=160, apid=81, pcr=160, sid=4301, tag="deu", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Alpen TV", provider="ALPENTV ", vpid=160, apid=82, pcr=160, sid=4301, tag="fra", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Radio Gipfel", provider="ALPENTV ", vpid=0, apid=90, pcr=90, sid=4310, tag="ita", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Alpen Feed 2", provider="ALPENTV ", vpid=170, apid=171, pcr=170, sid=4320, tag="ita", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Kanal 9 Testcard", provider="KANAL 9 ", vpid=180, apid=181, pcr=180, sid=4321, tag="eng", ca=FREE, **tp))
    # Not MPG2: an H.264 service is left out.
    r.append(sdx_line(radio=False, name="Alpen HD", provider="ALPENTV ", vpid=190, apid=191, pcr=190, sid=4330, tag="ita", ca=FREE, stream="H264", **tp))
    # 28.2 East, high band vertical.
    tp = dict(tp_name="ISLAND 12", freq=1191250, pol=True, pos=282, symbol_rate=27500, tp_code=2045)
    r.append(sdx_line(radio=False, name="Island One", provider="ISLANDTV", vpid=2301, apid=2302, pcr=2301, sid=6301, tag="eng", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Island Two", provider="ISLANDTV", vpid=2311, apid=2312, pcr=2311, sid=6302, tag="eng", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Island News", provider="ISLANDTV", vpid=2321, apid=2322, pcr=2321, sid=6303, tag="eng", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Island Radio 1", provider="ISLANDTV", vpid=0, apid=2401, pcr=2401, sid=6310, tag="eng", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Island Radio 2", provider="ISLANDTV", vpid=0, apid=2411, pcr=2411, sid=6311, tag="eng", ca=FREE, **tp))
    # 30.0 West (position 300): Iberian TV.
    tp = dict(tp_name="OESTE 4", freq=1209300, pol=False, pos=300, symbol_rate=22000, tp_code=34)
    r.append(sdx_line(radio=False, name="Oeste Uno", provider="OESTE   ", vpid=1001, apid=1002, pcr=1001, sid=301, tag="spa", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Oeste Uno", provider="OESTE   ", vpid=1001, apid=1003, pcr=1001, sid=301, tag="por", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="Oeste Dos", provider="OESTE   ", vpid=1011, apid=1012, pcr=1011, sid=302, tag="spa", ca=FREE, **tp))
    # 23.5 East, low band horizontal.
    tp = dict(tp_name="MITTE 2", freq=1130300, pol=True, pos=235, symbol_rate=22000, tp_code=3015)
    r.append(sdx_line(radio=False, name="Mitte Kultur", provider="MITTE   ", vpid=310, apid=320, pcr=310, sid=1101, tag="ces", ca=FREE, **tp))
    r.append(sdx_line(radio=False, name="mitte kids", provider="MITTE   ", vpid=410, apid=420, pcr=410, sid=1102, tag="ces", ca=FREE, **tp))
    r.append(sdx_line(radio=True, name="Mitte Jazz", provider="MITTE   ", vpid=0, apid=520, pcr=520, sid=1103, tag="ces", ca=FREE, **tp))
    # A C-band transponder at 5.0 West (position 355).
    tp = dict(tp_name="C BAND 1", freq=395000, pol=False, pos=355, symbol_rate=3000, tp_code=7)
    r.append(sdx_line(radio=False, name="Globe News", provider="GLOBE   ", vpid=33, apid=36, pcr=33, sid=1, tag="eng", ca=FREE, **tp))
    # Back on 19.2 East: the same transponder again opens a second entry.
    tp = dict(tp_name="NORD HD 1", freq=1174250, pol=True, pos=192, symbol_rate=27500, tp_code=1057)
    r.append(sdx_line(radio=False, name="Nordfunk Drei", provider="NORDFUNK", vpid=301, apid=302, pcr=301, sid=28108, tag="deu", ca=FREE, **tp))
    # A service without an audio PID is left out.
    r.append(sdx_line(radio=False, name="Nordfunk Text", provider="NORDFUNK", vpid=401, apid=0, pcr=401, sid=28109, tag="deu", ca=FREE, **tp)[:78] + "    " + sdx_line(radio=False, name="Nordfunk Text", provider="NORDFUNK", vpid=401, apid=0, pcr=401, sid=28109, tag="deu", ca=FREE, **tp)[82:])
    return r


SATELLITES = [
    (192, "19.2 East"), (130, "13.0 East"), (282, "28.2 East"), (235, "23.5 East"),
    (300, "30.0 West"), (355, "5.0 West"), (160, "16.0 East"), (70, "7.0 East"),
    (90, "9.0 East"), (100, "10.0 East"), (200, "20.0 East"), (260, "26.0 East"),
    (315, "31.5 East"), (359, "0.1 West"), (48, "4.8 East"), (30, "3.0 East"),
    (216, "21.6 East"), (250, "25.0 East"), (330, "33.0 East"), (345, "34.5 West"),
    (340, "40.0 West"), (310, "45.0 West"), (290, "29.0 West"), (320, "24.5 West"),
    (50, "5.0 East"), (40, "4.0 East"), (305, "30.5 West"),
]


def settings():
    lines = ["; example settings", "; providers to leave out, 8 characters each", "EXCLUDE",
             "SHOPTV  ", "END", "", "; satellites by orbital position, in receiver order", "ASTRA"]
    assert len({pos for pos, _ in SATELLITES}) == 27
    for pos, label in SATELLITES:
        lines.append(str(pos))
        lines.append(label)
    return "\r\n".join(lines) + "\r\n"


def old_header():
    # A made-up receiver file head: a signature, a version and a counting pattern.
    head = bytearray(b"EXAMPLE RECEIVER DATA 1.0\r\n\x1a")
    while len(head) < 30000:
        head.append((len(head) * 7) & 0xFF)
    return bytes(head)


# The receiver keeps its own settings in the first bytes of its file.
RECEIVER_SETTINGS_SIZE = 27012
RECEIVER_FILE_SIZE = 475029


def earlier_receiver_file(drive, program):
    """The receiver file of a run with empty answers, on the head of old_header()."""
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        for name in ("user.sdx", "vaz3er.ini"):
            (scratch / name).write_bytes((drive / name).read_bytes())
        (scratch / "3ci.drc").write_bytes(old_header())
        subprocess.run([program, "-C", str(scratch), "--batch"], check=True,
                       stdout=subprocess.DEVNULL)
        made = (scratch / "user.drc").read_bytes()
    assert len(made) == RECEIVER_FILE_SIZE
    assert made[:RECEIVER_SETTINGS_SIZE] == old_header()[:RECEIVER_SETTINGS_SIZE]
    return made


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "examples/drive-c")
    program = Path(sys.argv[2]).resolve() if len(sys.argv) > 2 else None
    out.mkdir(parents=True, exist_ok=True)
    header_line = "SDX channel list - example data, not from any real broadcast"
    body = "\r\n".join([header_line] + records()) + "\r\n"
    (out / "user.sdx").write_bytes(body.encode("ascii"))
    (out / "vaz3er.ini").write_bytes(settings().encode("ascii"))
    drc = earlier_receiver_file(out, program) if program else old_header()
    (out / "3ci.drc").write_bytes(drc)


if __name__ == "__main__":
    main()
