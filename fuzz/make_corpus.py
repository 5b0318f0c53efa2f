#!/usr/bin/env python3
"""Writes the seed corpus of the whole-program fuzz target (fuzz_run.cc).

Each seed is a 5-byte head (flags, faults, param high, param low, screen)
and the answers, vaz3er.ini, user.sdx and 3ci.drc head joined by "#--#".
Every byte is made up here or by examples/make-example-drive.py.
Usage: python3 fuzz/make_corpus.py [fuzz/corpus]
"""
import runpy
import sys
from pathlib import Path
from types import SimpleNamespace

HERE = Path(__file__).resolve().parent
SEPARATOR = b"#--#"


# The example drive's generator, run as a library (its main() stays unrun).
ex = SimpleNamespace(**runpy.run_path(str(HERE.parent / "examples" / "make-example-drive.py")))
INI = ex.settings().encode("ascii")
RECORDS = [line.encode("ascii") for line in ex.records()]
HEADER_LINE = b"SDX channel list - fuzz seed"
# The example's receiver file of an earlier run, as the fuzz target lays a
# 3ci.drc part over empty tables (flag 32): its transponder section's first
# 2,000 bytes, then its programme section up to the last programme.
EXAMPLE_DRC = (HERE.parent / "examples" / "drive-c" / "3ci.drc").read_bytes()
TRANSPONDER_MARKER, PROGRAMME_MARKER, PROGRAMME_START = 27012, 73018, 73028


def tables_part(drc=EXAMPLE_DRC):
    programmes = int.from_bytes(drc[PROGRAMME_MARKER + 4:PROGRAMME_MARKER + 6], "big")
    return (drc[TRANSPONDER_MARKER:TRANSPONDER_MARKER + 2000]
            + drc[PROGRAMME_MARKER:PROGRAMME_START + 134 * programmes])
DRC = b"SEED RECEIVER HEAD\r\n\x1a" + bytes(range(256)) * 106  # the whole header and more


def sdx(lines, end=b"\r\n", header=True):
    lines = ([HEADER_LINE] if header else []) + list(lines)
    return end.join(lines) + end


def seed(answers=b"y\nn\n\ny\n", ini=INI, sdx_bytes=None, drc=DRC, flags=0, faults=0,
         param=0, screen=0):
    sdx_bytes = sdx(RECORDS) if sdx_bytes is None else sdx_bytes
    head = bytes([flags, faults, param >> 8, param & 0xFF, screen])
    data = head + SEPARATOR.join([answers, ini, sdx_bytes, drc])
    assert data.count(SEPARATOR) == 3, "a seed part holds the separator"
    return data


def record(**changes):
    base = dict(tp_name="SEED TP", radio=False, freq=1174250, pol=True, name="Seed Channel One",
                pos=192, provider="SEEDPROV", symbol_rate=27500, vpid=101, apid=102, pcr=101,
                sid=1, tp_code=1, tag="deu", ca=ex.FREE)
    base.update(changes)
    return ex.sdx_line(**base).encode("ascii")


def put(line, column, text):
    """The line with `text` at 1-based text `column`."""
    return line[:column - 1] + text + line[column - 1 + len(text):]


def ini_with(satellite_lines, exclude=b"EXCLUDE\r\nSHOPTV  \r\nEND\r\n"):
    return b"; seed\r\n" + exclude + b"ASTRA\r\n" + satellite_lines


def satellites(positions):
    return b"".join(b"%s\r\nsat\r\n" % p for p in positions)


def seeds():
    s = {}
    # The example drive with each answer pattern.
    s["example-sorted"] = seed()
    s["example-unsorted"] = seed(answers=b"y\nn\nn\ny\n")
    s["example-all"] = seed(answers=b"y\ny\n\ny\n")
    s["example-none"] = seed(answers=b"n\nn\nn\nn\n")
    s["example-crlf-answers"] = seed(answers=b"y\r\ny\r\n\r\ny\r\n")
    s["answers-odd"] = seed(answers=b"Y\nyes\ny \n" + b"x" * 30 + b"\ny\x08\n")
    s["answers-control"] = seed(answers=b"\x07\x08\x08\x08\x08\x08y\n\t\n\r\r\n\x1a\n")
    s["answers-missing"] = seed(answers=b"")
    s["example-full-drc"] = seed(drc=ex.old_header()[:27100])
    # Missing inputs and pre-existing outputs.
    s["missing-settings"] = seed(flags=1 | 8)
    s["missing-list"] = seed(flags=2 | 8)
    s["missing-old-receiver-file"] = seed(flags=4 | 8)
    s["missing-all"] = seed(flags=7)
    s["outputs-exist"] = seed(flags=8)
    # Faults: disk full at several points, failing reads, refused creates and renames.
    for param in (0, 1, 100, 1700, 4200, 29000):
        s["disk-full-%d" % param] = seed(flags=8, faults=1, param=param)
    s["read-fails-list"] = seed(faults=2, param=300)
    s["read-fails-old-receiver-file"] = seed(faults=4, param=1000, drc=ex.old_header())
    s["read-fails-settings"] = seed(faults=8, param=40)
    for i in range(4):
        s["create-refused-%d" % i] = seed(flags=8, faults=16, param=i)
    s["rename-refused"] = seed(flags=8, faults=32)
    s["old-receiver-file-short"] = seed(flags=8, drc=DRC[:27011])
    s["folder-locked"] = seed(flags=8, faults=64)
    # Killed after so many changes: creating, the replacement, its clean-up.
    for param in (0, 3, 5, 6, 8, 10, 12, 14):
        s["killed-after-%d" % param] = seed(flags=8, faults=128, param=param)
    s["killed-after-7-no-outputs"] = seed(faults=128, param=7)
    # --keep-order and --compare against the old receiver file's tables.
    s["keep-order-example"] = seed(flags=16 | 32, drc=tables_part())
    s["keep-order-unsorted"] = seed(flags=16 | 32, answers=b"y\nn\nn\ny\n", drc=tables_part())
    s["keep-order-gone"] = seed(flags=16 | 32, sdx_bytes=sdx(RECORDS[:4] + RECORDS[6:]),
                                drc=tables_part())
    s["keep-order-no-tables"] = seed(flags=16, drc=DRC)
    s["keep-order-read-fails"] = seed(flags=16 | 32, faults=4, param=30000, drc=tables_part())
    damaged = bytearray(tables_part())
    damaged[4:6] = (1000).to_bytes(2, "big")  # more transponders than slots
    s["keep-order-too-many-transponders"] = seed(flags=16 | 32, drc=bytes(damaged))
    damaged = bytearray(tables_part())
    damaged[2000 + 4:2000 + 6] = (40).to_bytes(2, "big")  # programmes beyond those written
    damaged[2000 + 10:2000 + 12] = (999).to_bytes(2, "big")  # a transponder index beyond them
    s["compare-damaged-programmes"] = seed(flags=32, drc=bytes(damaged))
    # Screens from one cell up.
    s["screen-1x1"] = seed(screen=0x20)
    s["screen-narrow"] = seed(screen=0x21 | 0xE0)
    s["screen-short"] = seed(screen=0x1F)
    # Lists.
    s["list-empty"] = seed(sdx_bytes=b"")
    s["list-ctrl-z-first"] = seed(sdx_bytes=b"\x1a" + sdx(RECORDS))
    s["list-ctrl-z-middle"] = seed(sdx_bytes=sdx(RECORDS[:5]) + b"\x1a" + sdx(RECORDS[5:]))
    s["list-lf-only"] = seed(sdx_bytes=sdx(RECORDS, end=b"\n"))
    s["list-cr-only"] = seed(sdx_bytes=sdx(RECORDS, end=b"\r"))
    s["list-no-header"] = seed(sdx_bytes=sdx(RECORDS, header=False))
    s["list-long-lines"] = seed(sdx_bytes=sdx(r + b"X" * 40 for r in RECORDS[:6]))
    s["list-short-records"] = seed(sdx_bytes=sdx(r[:n] for r in RECORDS[:8] for n in (1, 40, 79, 83)))
    s["list-eleven-streams"] = seed(sdx_bytes=sdx(record(apid=200 + i, tag="a%02d" % i) for i in range(12)))
    s["list-numbers"] = seed(answers=b"y\ny\n\ny\n", sdx_bytes=sdx([
        record(freq=-1000), record(freq=1000000), record(freq=1000001), record(freq=1175001),
        record(pos=999, name="Far Away Channel"), record(vpid=0, sid=70000 % 100000),
        record(radio=True, vpid=0, name="Radio Testcard"), record(ca="1702", name="Pay Feed"),
        put(record(), 69, b"-0001"), put(record(), 33, b"   $FFFF"),
    ]))
    s["list-hex-binary"] = seed(sdx_bytes=sdx([put(record(), 51, b"$C0"), put(record(), 51, b"019"),
                                                put(record(), 79, b"%101"), put(record(), 79, b"  12"),
                                                put(record(), 79, b"12  "), put(record(), 79, b"-012"),
                                                put(record(), 79, b"$1F "), put(record(), 79, b"\t\t\t\t")]))
    # The transponder limit: 999 one-programme transponders and one more.
    s["list-transponder-limit"] = seed(
        answers=b"y\ny\nn\ny\n",
        sdx_bytes=sdx(record(freq=1070000 + 10 * t, sid=t)[:84] for t in range(1001)))
    # Settings.
    positions = [b"%d" % p for p, _ in ex.SATELLITES]
    s["settings-no-exclude"] = seed(ini=b"ASTRA\r\n" + satellites(positions))
    s["settings-no-astra"] = seed(ini=b"EXCLUDE\r\nEND\r\n")
    s["settings-empty"] = seed(ini=b"")
    s["settings-short"] = seed(ini=ini_with(satellites(positions[:20])))
    s["settings-wraps"] = seed(ini=ini_with(satellites([b"65728"] + positions[1:])))
    s["settings-too-far"] = seed(ini=ini_with(satellites([b"360"] + positions[1:])))
    s["settings-signs"] = seed(ini=ini_with(satellites([b"+192", b"+ 13", b"-5"] + positions[3:])))
    s["settings-lf-tabs"] = seed(ini=ini_with(b"\n\t 192 East\n\n" + satellites(positions[1:])).replace(b"\r\n", b"\n"))
    s["settings-ctrl-z"] = seed(ini=ini_with(satellites(positions[:10]) + b"\x1a" + satellites(positions[10:])))
    s["settings-exclude-50-lines"] = seed(ini=b"EXCLUDE\r\n" + b"PROV\r\n" * 60 + b"ASTRA\r\n" + satellites(positions))
    s["settings-exclude-runs-off"] = seed(ini=b"EXCLUDE\r\nSEEDPROV\r\n")
    s["settings-no-end-line"] = seed(ini=ini_with(satellites(positions)).rstrip(b"\r\n"))
    return s


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "corpus"
    out.mkdir(parents=True, exist_ok=True)
    for name, data in seeds().items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
