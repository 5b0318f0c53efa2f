#!/usr/bin/env python3
"""Bench data and timing for tunewerk.

  benchtool.py max-drive DIR [--seed N] [--columns C[,C...]]
      A drive whose list fills both tables: 999 transponders and 2999
      programmes (the record that opens the last transponder also makes the
      last programme), mixed with rejected records, multi-audio services,
      radio, feeds and scrambled services, and more records after the limit.
  benchtool.py rejected-drive DIR --bytes N [--seed N] [--columns C[,C...]] [--bare-lf]
      A drive whose list of realistic CR LF lines (at least N bytes) the
      import rejects record by record: none has the stream type it takes.
  --columns: the length of each line before its line end, 126 by default.
      Lists in use have longer lines (127 and 132 columns seen), whose
      columns after 126 the import cuts off. Several lengths make a mix, one
      drawn for each line.
  benchtool.py measure --runs N --case LABEL CWD STDIN STDOUT COMMAND ...
      Runs the cases in turn, round after round, and prints per case the
      median, lowest and highest wall time, the median CPU time (user +
      system, so time spent waiting for the disk is left out), then the peak resident set of one
      more run under /usr/bin/time (a child forked from this Python process
      would inherit its resident set in the kernel's peak figure). STDIN and
      STDOUT are paths ("-" is /dev/null); COMMAND is split like a shell line.
      --check ratio A B LIMIT: median A / median B at most LIMIT;
      --check cpu A B LIMIT: the same of the median CPU times, which a busy
      machine disturbs less;
      --check share A B LIMIT: (A - B) / A at most LIMIT percent;
      --check rss A B LIMIT: peak RSS of A and B differ by at most LIMIT KB.

Every byte is made up here from the seed, so a run is reproducible.
"""
import argparse
import runpy
import os
import random
import shlex
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from types import SimpleNamespace

HERE = Path(__file__).resolve().parent
LINE_END = "\r\n"


# The example drive's generator, run as a library (its main() stays unrun).
example = SimpleNamespace(**runpy.run_path(str(HERE.parent / "examples" / "make-example-drive.py")))
sdx_line = example.sdx_line
FREE = example.FREE
POSITIONS = [pos for pos, _ in example.SATELLITES]

SYLLABLES = ["al", "be", "ra", "no", "ki", "sa", "tu", "mon", "vel", "dor", "ix", "pa",
             "lu", "ze", "ro", "ka", "mi", "ton", "gra", "fe", "sol", "ve", "qua", "na"]
WORDS = ["TV", "Radio", "News", "Sport", "Kino", "Info", "Music", "Kids", "HD", "Plus", "One",
         "Zwei", "Drei", "Shop", "Doku", "Welt", "Classic", "Live"]
PROVIDERS = ["NORDFUNK", "SATPAY  ", "ALPENTV ", "ISLANDTV", "OESTE   ", "MITTE   ",
             "GLOBE   ", "KANAL 9 ", "SHOPTV  ", "BALTIC  ", "SUEDWEST", "ORBITAL "]
TAGS = ["deu", "eng", "fra", "ita", "spa", "por", "ces", "pol", "nld", "2ch"]
OTHER_STREAMS = ["H264", "MPG4", "HEVC", "AC3 ", "DATA", "mpg2", "MPG1"]


def lengthen(line, columns, rng):
    """The 126-column line cut or extended to `columns`: digits and blanks."""
    if columns <= len(line):
        return line[:columns]
    extra = "".join(rng.choice("0123456789 ") for _ in range(columns - len(line)))
    return line + extra


def columns_list(text):
    columns = [int(c) for c in text.split(",")]
    if not columns or min(columns) < 1:
        raise argparse.ArgumentTypeError("line lengths are whole numbers from 1")
    return columns


def programme_name(rng):
    word = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 3))).capitalize()
    name = word + " " + rng.choice(WORDS)
    if rng.random() < 0.3:
        name += " " + str(rng.randint(1, 99))
    return name[:20]


def write_drive(directory, sdx_lines, header, line_end=LINE_END, columns=(126,), seed=1):
    directory.mkdir(parents=True, exist_ok=True)
    if list(columns) != [126]:
        # A stream of its own: the records stay those of the 126-column list.
        rng = random.Random(seed + 1000)
        sdx_lines = (lengthen(line, rng.choice(columns), rng) for line in sdx_lines)
    # Large writes: a file written in small pieces sits in the page cache in
    # small pieces too, which slows every later read of it (wc -l included).
    with open(directory / "user.sdx", "wb") as out:
        out.write((header + line_end).encode("ascii"))
        chunk = []
        for line in sdx_lines:
            chunk.append(line)
            if len(chunk) == 4096:
                out.write((line_end.join(chunk) + line_end).encode("latin-1"))
                chunk = []
        if chunk:
            out.write((line_end.join(chunk) + line_end).encode("latin-1"))
    (directory / "vaz3er.ini").write_bytes(example.settings().encode("ascii"))
    (directory / "3ci.drc").write_bytes(example.old_header())


def programme_counts(rng, transponders, programmes):
    """Programmes per transponder, each at least 1, summing to `programmes`."""
    counts = [programmes // transponders] * transponders
    for _ in range(programmes - sum(counts)):
        counts[rng.randrange(transponders)] += 1
    for _ in range(transponders):  # shuffle weight around, keeping each >= 1
        a, b = rng.randrange(transponders), rng.randrange(transponders)
        if counts[a] > 1:
            counts[a] -= 1
            counts[b] += 1
    return counts


def rejected_line(rng, tp):
    """A record that the import rejects: a stream type other than MPG2."""
    return sdx_line(radio=rng.random() < 0.2, name=programme_name(rng),
                    provider=rng.choice(PROVIDERS), vpid=rng.randint(32, 8000),
                    apid=rng.randint(32, 8000), pcr=rng.randint(32, 8000),
                    sid=rng.randint(1, 65535), tag=rng.choice(TAGS),
                    ca=FREE if rng.random() < 0.7 else "%04d" % rng.randint(1, 9999),
                    stream=rng.choice(OTHER_STREAMS), **tp)


def transponder(rng, t):
    # Consecutive transponders always differ in frequency; 7919 is prime to 1800.
    freq = 1070000 + ((t * 7919) % 1800) * 100
    return dict(tp_name=("TP %d" % t)[:14], freq=freq, pol=rng.random() < 0.5,
                pos=rng.choice(POSITIONS), symbol_rate=rng.choice([22000, 27500, 29900]),
                tp_code=rng.randint(1, 9999))


def max_drive(directory, seed, columns=(126,)):
    rng = random.Random(seed)
    transponders, programmes = 999, 2999
    # Transponders 1..998 carry 2998 programmes; the first record of the
    # 999th makes programme 2999, so both limits are reached by one record.
    counts = programme_counts(rng, transponders - 1, programmes - 1) + [1]
    lines = []
    for t, count in enumerate(counts):
        tp = transponder(rng, t)
        for p in range(count):
            radio = rng.random() < 0.2
            name = programme_name(rng)
            if rng.random() < 0.02:
                name = (name[:10] + " Feed")[:20]  # feeds are taken (answer y), moved by 500
            vpid = 0 if radio else 100 + 16 * p
            streams = 1 if radio else rng.choice([1, 1, 1, 2, 2, 3, 4])
            ca = FREE if rng.random() < 0.8 else "1702"
            for s in range(streams):
                if rng.random() < 0.15:
                    lines.append(rejected_line(rng, tp))
                lines.append(sdx_line(radio=radio, name=name, provider=rng.choice(PROVIDERS[:8]),
                                      vpid=vpid, apid=vpid + 1 + s if vpid else 300 + 16 * p,
                                      pcr=vpid or 300 + 16 * p, sid=1000 + 10 * t + p,
                                      tag=TAGS[s], ca=ca, **tp))
    for t in range(transponders, transponders + 50):  # never read: the tables are full
        tp = transponder(rng, t)
        lines.append(sdx_line(radio=False, name=programme_name(rng), provider="NORDFUNK",
                              vpid=100, apid=101, pcr=100, sid=1, tag="deu", ca=FREE, **tp))
    write_drive(directory, lines, "SDX channel list - bench data, seed %d" % seed,
                columns=columns, seed=seed)


def rejected_drive(directory, size, seed, line_end=LINE_END, columns=(126,)):
    rng = random.Random(seed)
    pool = [rejected_line(rng, transponder(rng, t)) for t in range(4096)]
    # The same records whatever the line end; about `size` bytes of a mix.
    line_bytes = statistics.mean(columns) + len(LINE_END)
    count = -(-size // int(line_bytes))
    picks = rng.choices(range(len(pool)), k=count)
    write_drive(directory, (pool[i] for i in picks),
                "SDX channel list - rejected records, seed %d" % seed, line_end, columns, seed)


def run_once(label, cwd, stdin, stdout, argv):
    """Wall and CPU (user + system) seconds of one run; exits when it fails."""
    with open(os.devnull if stdin == "-" else stdin, "rb") as fin, \
         open(os.devnull if stdout == "-" else stdout, "wb") as fout:
        start = time.perf_counter()
        # Its warnings (a list with no programme taken) are expected here; the
        # pipe holds them until the run ends, and they are shown if it fails.
        process = subprocess.Popen(argv, cwd=cwd, stdin=fin, stdout=fout, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
        errors = process.stderr.read().decode(errors="replace")
        process.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("%s: exit status %d\n%s" % (label, os.waitstatus_to_exitcode(status), errors))
    return elapsed, usage.ru_utime + usage.ru_stime


def peak_rss_kb(label, cwd, stdin, stdout, argv):
    with tempfile.NamedTemporaryFile("r") as report:
        run_once(label, cwd, stdin, stdout, ["/usr/bin/time", "-f", "%M", "-o", report.name] + argv)
        return int(report.read().split()[-1])


def check(kind, a, b, limit, times, cpu, rss):
    """One target line: a time ratio, a share of a's time, or a memory difference."""
    ta, tb = statistics.median(times[a]), statistics.median(times[b])
    if kind == "ratio":
        value, text = ta / tb, "%s / %s = %.2f (target at most %s)" % (a, b, ta / tb, limit)
    elif kind == "cpu":
        ca, cb = statistics.median(cpu[a]), statistics.median(cpu[b])
        value, text = ca / cb, "cpu %s / %s = %.2f (target at most %s)" % (a, b, ca / cb, limit)
    elif kind == "share":
        value = (ta - tb) / ta
        text = "(%s - %s) / %s = %.1f%% (target at most %s%%)" % (a, b, a, 100 * value, limit)
        value *= 100
    else:
        value = abs(rss[a] - rss[b])
        text = "|RSS %s - RSS %s| = %d KB (target at most %s KB)" % (a, b, value, limit)
    print("%-6s %s" % ("met" if value <= float(limit) else "MISSED", text))


def measure(runs, cases, checks):
    times = {label: [] for label, *_ in cases}
    cpu = {label: [] for label, *_ in cases}
    for _ in range(runs):
        for label, cwd, stdin, stdout, command in cases:
            wall, used = run_once(label, cwd, stdin, stdout, shlex.split(command))
            times[label].append(wall)
            cpu[label].append(used)
    print("%-40s %10s %10s %10s %10s %12s" % ("case", "median ms", "min ms", "max ms", "cpu ms",
                                             "peak RSS KB"))
    rss = {}
    for label, cwd, stdin, stdout, command in cases:
        t = times[label]
        rss[label] = peak_rss_kb(label, cwd, stdin, stdout, shlex.split(command))
        print("%-40s %10.1f %10.1f %10.1f %10.1f %12d" % (
            label, 1000 * statistics.median(t), 1000 * min(t), 1000 * max(t),
            1000 * statistics.median(cpu[label]), rss[label]))
    for kind, a, b, limit in checks:
        check(kind, a, b, limit, times, cpu, rss)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("max-drive")
    p.add_argument("dir", type=Path)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--columns", type=columns_list, default=[126], help="line lengths, e.g. 126,132")
    p = sub.add_parser("rejected-drive")
    p.add_argument("dir", type=Path)
    p.add_argument("--bytes", type=int, required=True)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--bare-lf", action="store_true", help="lines end in LF alone")
    p.add_argument("--columns", type=columns_list, default=[126], help="line lengths, e.g. 126,132")
    p = sub.add_parser("measure")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--case", nargs=5, action="append", required=True,
                   metavar=("LABEL", "CWD", "STDIN", "STDOUT", "COMMAND"))
    p.add_argument("--check", nargs=4, action="append", default=[],
                   metavar=("ratio|cpu|share|rss", "A", "B", "LIMIT"))
    args = parser.parse_args()
    if args.command == "max-drive":
        max_drive(args.dir, args.seed, args.columns)
    elif args.command == "rejected-drive":
        rejected_drive(args.dir, args.bytes, args.seed, "\n" if args.bare_lf else LINE_END,
                       args.columns)
    else:
        measure(args.runs, args.case, args.check)


if __name__ == "__main__":
    main()
