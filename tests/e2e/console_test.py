#!/usr/bin/env python3
"""End-to-end tests of the console: the live screen on a pseudo-terminal,
typed answers, Ctrl-D, Ctrl-Z, Ctrl-\\, resizes, and standard streams that
block, fail or close.

Usage: console_test.py PROGRAM
"""
import fcntl
import os
import pty
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time

PROGRAM = os.path.abspath(sys.argv[1])
HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "..", "examples", "drive-c")
EXPECTED = os.path.join(HERE, "expected", "example-sorted")
INPUTS = ("user.sdx", "vaz3er.ini", "3ci.drc")
OUTPUTS = ("user.drc", "tunewerk.txt", "audio.txt", "video.txt")
ANSWERS = ("y", "n", "", "y")  # the answers of the example-sorted files
PROMPTS = ("Include scrambled programmes (y=yes)? ", "Include C-Band (y=yes)? ",
           "Sort alphabetically by satellite (n=no)? ", "Include feeds & test cards (y=yes)? ")
RESTORE = b"\x1b[0m\x1b[?7h\x1b[?25h"
CANCELLED = b"tunewerk: cancelled at a question (end of input); no file was changed\n"
TIMEOUT = 60 if "asan" in PROGRAM else 20

passes = 0
failures = 0


def check(name, ok, detail=""):
    global passes, failures
    if ok:
        passes += 1
    else:
        failures += 1
        print(f"FAIL: {name}: {detail}")


class VtScreen:
    """Just enough of a VT terminal to see what the program drew."""

    def __init__(self, columns, rows):
        self.columns, self.rows = columns, rows
        self.cells = [[" "] * columns for _ in range(rows)]
        self.colours = [[""] * columns for _ in range(rows)]  # the SGR each cell was drawn in
        self.colour = ""
        self.column = self.row = 0
        self.autowrap = True
        self.pending = b""

    def resize(self, columns, rows):
        cells = [[" "] * columns for _ in range(rows)]
        colours = [[""] * columns for _ in range(rows)]
        for r in range(min(rows, self.rows)):
            for c in range(min(columns, self.columns)):
                cells[r][c], colours[r][c] = self.cells[r][c], self.colours[r][c]
        self.cells, self.colours, self.columns, self.rows = cells, colours, columns, rows
        self.column = min(self.column, columns - 1)
        self.row = min(self.row, rows - 1)

    def line_feed(self):
        if self.row + 1 < self.rows:
            self.row += 1
        else:
            self.cells = self.cells[1:] + [[" "] * self.columns]

    def put(self, char):
        if self.column >= self.columns:
            if not self.autowrap:
                self.column = self.columns - 1
            else:
                self.column = 0
                self.line_feed()
        self.cells[self.row][self.column] = char
        self.colours[self.row][self.column] = self.colour
        self.column += 1

    def feed(self, data):
        data = self.pending + data
        self.pending = b""
        i = 0
        while i < len(data):
            b = data[i]
            if b == 0x1B:
                m = re.match(rb"\x1b\[(\??)([0-9;]*)([A-Za-z])", data[i:])
                if not m:
                    self.pending = data[i:]
                    return
                self.control(m.group(1), m.group(2), m.group(3))
                i += m.end()
            elif b == 13:
                self.column = 0
                i += 1
            elif b == 10:
                self.line_feed()
                i += 1
            elif b == 8:
                self.column = max(0, min(self.column, self.columns - 1) - 1)
                i += 1
            elif b < 32 or b == 127:
                raise ValueError(f"control byte {b} reached the terminal")
            else:
                length = 1 if b < 0x80 else 2 if b < 0xE0 else 3 if b < 0xF0 else 4
                if i + length > len(data):
                    self.pending = data[i:]
                    return
                self.put(data[i:i + length].decode("utf-8"))
                i += length

    def control(self, private, params, final):
        numbers = [int(p) if p else 0 for p in params.split(b";")] if params else []
        if private == b"?" and numbers == [7]:
            self.autowrap = final == b"h"
        elif final == b"m":
            self.colour = params.decode()
        elif final == b"H":
            row = numbers[0] if numbers else 1
            column = numbers[1] if len(numbers) > 1 else 1
            self.row = max(1, min(row, self.rows)) - 1
            self.column = max(1, min(column, self.columns)) - 1
        elif final == b"J" and numbers == [2]:
            self.cells = [[" "] * self.columns for _ in range(self.rows)]
        elif final == b"K":
            for c in range(min(self.column, self.columns), self.columns):
                self.cells[self.row][c] = " "

    def text(self, row):
        return "".join(self.cells[row - 1]).rstrip(" ")

    def lines(self):
        rows = [self.text(r) for r in range(1, self.rows + 1)]
        while rows and not rows[-1]:
            rows.pop()
        return rows


def fresh_drive():
    drive = tempfile.mkdtemp(prefix="tunewerk-console-")
    for name in INPUTS:
        shutil.copy(os.path.join(EXAMPLE, name), drive)
    return drive


def drive_state(drive):
    state = {}
    for name in sorted(os.listdir(drive)):
        with open(os.path.join(drive, name), "rb") as f:
            state[name] = f.read()
    return state


def outputs_as_expected(drive):
    for name in OUTPUTS:
        path = os.path.join(drive, name)
        if not os.path.exists(path):
            return False
        with open(path, "rb") as made, open(os.path.join(EXPECTED, name), "rb") as want:
            if made.read() != want.read():
                return False
    return True


def set_size(fd, columns, rows):
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))


class PtySession:
    """The program on a pseudo-terminal of the given size, as a user starts
    it from a shell: its own session, the terminal its controlling one."""

    def __init__(self, drive, columns, rows, stdout_pipe=False, nonblocking=False, args=(),
                 command=None, env=None, memory_kib=None, stderr_on_terminal=False):
        self.master, slave = pty.openpty()
        set_size(self.master, columns, rows)
        if nonblocking:
            fcntl.fcntl(slave, fcntl.F_SETFL, fcntl.fcntl(slave, fcntl.F_GETFL) | os.O_NONBLOCK)
        self.screen = VtScreen(min(columns, 1000), min(rows, 1000))  # what the test looks at
        self.output = bytearray()
        self.lock = threading.Lock()

        def become_session_leader():
            os.setsid()
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
            if memory_kib:
                resource.setrlimit(resource.RLIMIT_AS, (memory_kib * 1024, memory_kib * 1024))

        self.process = subprocess.Popen(
            command or [PROGRAM, *args], cwd=drive, stdin=slave,
            stdout=subprocess.PIPE if stdout_pipe else slave,
            stderr=slave if command or stderr_on_terminal else subprocess.PIPE,
            preexec_fn=become_session_leader, env=env)
        os.close(slave)
        self.reader = threading.Thread(target=self.read_terminal, daemon=True)
        self.reader.start()

    def read_terminal(self):
        while True:
            try:
                data = os.read(self.master, 65536)
            except OSError:
                return
            if not data:
                return
            with self.lock:
                self.output += data
                self.screen.feed(data)

    def type(self, text):
        os.write(self.master, text.encode("latin-1"))

    def wait_until(self, predicate, what):
        deadline = time.time() + TIMEOUT
        while time.time() < deadline:
            with self.lock:
                if predicate(self.screen):
                    return True
            if self.process.poll() is not None and not predicate(self.screen):
                time.sleep(0.2)
                with self.lock:
                    return predicate(self.screen)
            time.sleep(0.02)
        raise TimeoutError(what)

    def wait_for_text(self, row, text):
        return self.wait_until(lambda s: s.text(row) == text, f"row {row} to read {text!r}")

    def finish(self):
        try:
            self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        stderr = self.process.stderr.read() if self.process.stderr else b""
        self.reader.join(5)
        os.close(self.master)
        return self.process.returncode, stderr


def answer_all(session, first=0, columns=80):
    for i in range(first, 4):
        session.wait_for_text(5 + i, PROMPTS[i][:columns].rstrip(" "))
        session.type(ANSWERS[i])  # the answer and its Enter in separate writes
        time.sleep(0.05)
        session.type("\n")


def expected_console_lines():
    with open(os.path.join(EXPECTED, "console.txt"), encoding="utf-8") as f:
        return f.read().split("\n")[:-1]


def test_typed_answers_draw_the_expected_screen():
    drive = fresh_drive()
    session = PtySession(drive, 80, 25)
    session.wait_for_text(1, "Tunewerk 1.06 for Radix 3CI-Advanced by Ostervald")
    answer_all(session)
    status, stderr = session.finish()
    name = "typed answers"
    check(name, status == 0 and stderr == b"", f"status {status}, stderr {stderr!r}")
    check(name, outputs_as_expected(drive), "outputs differ from example-sorted")
    check(name, session.screen.lines() == expected_console_lines(),
          "screen differs from the transcript:\n" + "\n".join(session.screen.lines()))
    check(name, (session.screen.column, session.screen.row) == (0, 19),
          f"cursor at {session.screen.column + 1},{session.screen.row + 1}")
    check(name, session.output.endswith(RESTORE), "terminal not restored at the end")
    shutil.rmtree(drive)


def test_banner_colours():
    drive = fresh_drive()
    session = PtySession(drive, 80, 25)
    session.wait_for_text(5, PROMPTS[0].rstrip())
    with session.lock:
        title, text = session.screen.colours[0][0], session.screen.colours[1][0]
    check("banner colours", (title, text) == ("0;30;45", "0;37;40"),
          f"title drawn in {title!r}, the next row in {text!r}")
    session.type("\x04")
    session.finish()
    shutil.rmtree(drive)


def test_long_answer_past_the_last_column():
    # The terminal echoes the typed line in its own way (with autowrap off, the
    # overflow lands in the last column); after the Enter the program draws
    # the whole screen again, as it holds it.
    drive = fresh_drive()
    session = PtySession(drive, 40, 6)
    session.wait_for_text(6, PROMPTS[0].rstrip())  # the banner took two rows a line
    answer = "abcdefghijklmnopqrstuvwxyz0123"
    session.type(answer + "\n")
    name = "30 characters typed past the last column"
    try:
        session.wait_for_text(6, PROMPTS[1].rstrip())
        with session.lock:
            rows = session.screen.lines()
        check(name, rows[3:5] == [PROMPTS[0] + answer[:2], answer[2:]], f"screen {rows!r}")
    except TimeoutError as e:
        check(name, False, f"{e}; screen {session.screen.lines()!r}")
    session.type("\x04")
    session.finish()
    shutil.rmtree(drive)


def test_closing_line_goes_right_below_the_last_row_used():
    def cancel_at_the_second_question(session):
        session.wait_for_text(5, PROMPTS[0].rstrip())
        session.type("y\n")
        session.wait_for_text(6, PROMPTS[1].rstrip())
        session.type("\x04")

    cases = (
        # name, the input left out, held by a live run, what is typed, the last row drawn,
        # the closing line
        ("Ctrl-D at the second question", None, False, cancel_at_the_second_question, 6,
         CANCELLED),
        ("no settings file", "vaz3er.ini", False, answer_all, 10,
         b"tunewerk: cannot open vaz3er.ini: No such file or directory\n"),
        ("folder held by a live run", None, True, lambda session: None, 0,
         b"tunewerk: the folder is locked by another run or program\n"),
    )
    for name, missing, held, typing, last_row, line in cases:
        drive = fresh_drive()
        if missing:
            os.remove(os.path.join(drive, missing))
        if held:
            holder = PtySession(drive, 80, 25)
            holder.wait_for_text(5, PROMPTS[0].rstrip())
        session = PtySession(drive, 80, 25, stderr_on_terminal=True)
        typing(session)
        status, _ = session.finish()
        rows = session.screen.lines()
        check(name, status == 1 and len(rows) == last_row + 1 and
              rows[last_row] == line.decode().rstrip("\n"), f"status {status}, screen {rows!r}")
        # The line comes last, after the reset; a run that drew nothing resets nothing.
        shown = line.replace(b"\n", b"\r\n")
        check(name, session.output.endswith(shown) if last_row else session.output == shown,
              f"terminal got {bytes(session.output[-120:])!r}")
        if held:
            holder.type("\x04")
            holder.finish()
        shutil.rmtree(drive)


def test_nonblocking_terminal_waits_for_answers():
    drive = fresh_drive()
    session = PtySession(drive, 80, 25, nonblocking=True)
    answer_all(session)
    status, stderr = session.finish()
    check("non-blocking terminal", status == 0 and outputs_as_expected(drive),
          f"status {status}, stderr {stderr!r}")
    shutil.rmtree(drive)


def test_ctrl_d_cancels():
    for stdout_pipe in (False, True):
        name = "Ctrl-D" + (" with stdout a pipe" if stdout_pipe else "")
        drive = fresh_drive()
        before = drive_state(drive)
        session = PtySession(drive, 80, 25, stdout_pipe=stdout_pipe)
        if stdout_pipe:
            time.sleep(0.5)
            session.type("y\n")
            time.sleep(0.3)
        else:
            session.wait_for_text(5, PROMPTS[0].rstrip())
            session.type("y\n")
            session.wait_for_text(6, PROMPTS[1].rstrip())
        session.type("\x04")
        status, stderr = session.finish()
        check(name, status == 1 and stderr == CANCELLED, f"status {status}, stderr {stderr!r}")
        check(name, drive_state(drive) == before, "the drive changed")
        if stdout_pipe:
            transcript = session.process.stdout.read().decode("utf-8").split("\n")
            check(name, transcript[4:7] == ["Include scrambled programmes (y=yes)? y",
                                            "Include C-Band (y=yes)?", ""], f"{transcript!r}")
        else:
            check(name, session.output.endswith(RESTORE), "terminal not restored")
        shutil.rmtree(drive)


def test_resize_redraws_with_the_cursor_row_visible():
    drive = fresh_drive()
    session = PtySession(drive, 80, 25)
    for i in range(3):
        session.wait_for_text(5 + i, PROMPTS[i].rstrip())
        session.type(ANSWERS[i] + "\n")
    session.wait_for_text(8, PROMPTS[3].rstrip())
    with session.lock:
        session.screen.resize(40, 6)
    set_size(session.master, 40, 6)
    name = "resize to 40x6"
    try:
        session.wait_for_text(6, PROMPTS[3][:40].rstrip())
        check(name, session.screen.text(1) == "User.drc, audio.txt, video.txt and tunew",
              f"row 1 reads {session.screen.text(1)!r}")
        used = cpu_seconds(session.process.pid)
        time.sleep(1)
        used = cpu_seconds(session.process.pid) - used
        check("waiting after a resize", used < 0.2, f"{used:.2f} s of CPU in 1 s")
    except TimeoutError as e:
        check(name, False, f"no redraw: {e}; screen {session.screen.lines()!r}")
    with session.lock:
        session.screen.resize(100, 30)
    set_size(session.master, 100, 30)
    name = "resize to 100x30"
    try:
        session.wait_for_text(1, "Tunewerk 1.06 for Radix 3CI-Advanced by Ostervald")
        session.wait_for_text(8, PROMPTS[3].rstrip())
        pass_ = True
    except TimeoutError as e:
        pass_ = False
        check(name, False, f"no redraw: {e}")
    if pass_:
        check(name, True)
    session.type("y\n")
    status, stderr = session.finish()
    check("resized run", status == 0 and outputs_as_expected(drive),
          f"status {status}, stderr {stderr!r}")
    shutil.rmtree(drive)


def children(pid):
    with open(f"/proc/{pid}/task/{pid}/children") as f:
        return [int(child) for child in f.read().split()]


def process_state(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def test_ctrl_z_then_fg_in_a_job_control_shell():
    drive = fresh_drive()
    env = dict(os.environ, PS1="$ ", HISTFILE="/dev/null")
    session = PtySession(drive, 80, 25, command=["bash", "--norc", "--noprofile", "-i"], env=env)
    session.type(f"'{PROGRAM}'\n")
    session.wait_for_text(5, PROMPTS[0].rstrip())
    program = children(session.process.pid)[0]
    # The second stop checks that the stop handler is still there after a continue.
    for name in ("Ctrl-Z", "Ctrl-Z after fg"):
        with session.lock:
            mark = len(session.output)
        session.type("\x1a")  # Ctrl-Z
        deadline = time.time() + TIMEOUT
        while process_state(program) != "T" and time.time() < deadline:
            time.sleep(0.02)
        check(name, process_state(program) == "T", "the program did not stop")
        session.wait_until(lambda s: any("Stopped" in s.text(r) for r in range(1, 26)), "the shell")
        with session.lock:
            stopped_output = bytes(session.output[mark:])
        check(name, RESTORE in stopped_output and stopped_output.index(RESTORE) <
              stopped_output.index(b"Stopped"), f"terminal not restored: {stopped_output!r}")
        with session.lock:
            mark = len(session.output)
        session.type("fg\n")
        try:
            session.wait_for_text(1, "Tunewerk 1.06 for Radix 3CI-Advanced by Ostervald")
            session.wait_for_text(5, PROMPTS[0].rstrip())
            check("fg", b"\x1b[?7l" in session.output[mark:], "autowrap not turned off again")
        except TimeoutError as e:
            check("fg", False, f"no redraw: {e}")
    session.type("y\n")
    answer_all(session, first=1)
    session.wait_for_text(19, "files generated successfully")
    session.type("exit $?\n")
    status, stderr = session.finish()
    check("stopped run", status == 0 and outputs_as_expected(drive),
          f"status {status}, stderr {stderr!r}")
    shutil.rmtree(drive)


def test_ctrl_backslash_restores_and_quits():
    drive = fresh_drive()
    before = drive_state(drive)
    session = PtySession(drive, 80, 25)
    session.wait_for_text(5, PROMPTS[0].rstrip())
    session.type("\x1c")  # Ctrl-\
    status, _ = session.finish()
    name = "Ctrl-\\"
    check(name, status == -signal.SIGQUIT, f"status {status}")
    check(name, session.output.endswith(RESTORE), "terminal not restored")
    check(name, drive_state(drive) == before, "the drive changed")
    shutil.rmtree(drive)


def run_at_size(columns, rows):
    drive = fresh_drive()
    session = PtySession(drive, columns, rows)
    time.sleep(0.3)
    session.type("y\nn\n\ny\n")
    status, stderr = session.finish()
    ok = status == 0 and stderr == b"" and outputs_as_expected(drive)
    shutil.rmtree(drive)
    return ok, f"status {status}, stderr {stderr!r}", len(session.output)


def test_tiny_and_huge_terminals():
    for columns, rows in ((1, 1), (10, 3), (65535, 65535)):
        ok, detail, _ = run_at_size(columns, rows)
        check(f"{columns}x{rows}", ok, detail)
    most = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    check("memory", most < 400 * 1024, f"{most} KiB at most")
    _, _, small = run_at_size(80, 25)
    _, _, large = run_at_size(2000, 500)
    check("2000x500 writes what changes", large <= 2 * small, f"{large} bytes against {small}")
    print(f"bytes drawn for the example: {small} at 80x25, {large} at 2000x500")


def test_too_little_memory_ends_cleanly():
    if "asan" in PROGRAM:
        return  # the sanitizer's own reservations need far more address space
    seen_failure = False
    for memory_kib in (6000, 7000, 8000, 9000, 10000, 12000):
        drive = fresh_drive()
        before = drive_state(drive)
        session = PtySession(drive, 65535, 65535, memory_kib=memory_kib, stderr_on_terminal=True)
        time.sleep(0.2)
        session.type("y\nn\n\ny\n")
        status, _ = session.finish()
        name = f"{memory_kib} KiB of memory"
        if status == 1:
            seen_failure = True
            # The line is the last thing on the terminal: no reset follows it.
            line = b"tunewerk: out of memory; no file was changed\r\n"
            drawn = session.output[:-len(line)]
            check(name, session.output.endswith(line), f"{bytes(session.output[-120:])!r}")
            check(name, drive_state(drive) == before, "the drive changed")
            check(name, drawn == b"" or drawn.endswith(RESTORE), "terminal not restored first")
        else:
            check(name, status == 0 and outputs_as_expected(drive), f"status {status}")
        shutil.rmtree(drive)
    check("out of memory", seen_failure, "no limit made the run fail")


def run_streams(args, stdin, stdout, drive):
    process = subprocess.run([PROGRAM, *args], cwd=drive, stdin=stdin, stdout=stdout,
                             stderr=subprocess.PIPE, timeout=TIMEOUT)
    return process.returncode, process.stderr


def test_nonblocking_pipe_waits_for_answers():
    drive = fresh_drive()
    read_end, write_end = os.pipe()
    os.set_blocking(read_end, False)
    process = subprocess.Popen([PROGRAM], cwd=drive, stdin=read_end, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    os.close(read_end)
    for answer in ANSWERS:
        time.sleep(0.2)
        os.write(write_end, answer.encode() + b"\n")
    os.close(write_end)
    out, err = process.communicate(timeout=TIMEOUT)
    with open(os.path.join(EXPECTED, "console.txt"), "rb") as f:
        check("non-blocking pipe", process.returncode == 0 and out == f.read() and
              outputs_as_expected(drive), f"status {process.returncode}, stderr {err!r}")
    shutil.rmtree(drive)


def test_failing_streams():
    answers = tempfile.TemporaryFile()
    answers.write(b"y\nn\n\ny\n")
    cases = [
        # name, args, stdin, stdout, status, stderr, outputs replaced
        ("stdout /dev/full", (), "answers", "/dev/full", 1,
         b"tunewerk: cannot write to standard output: No space left on device; "
         b"the four files were generated\n", True),
        ("--version to /dev/full", ("--version",), None, "/dev/full", 1,
         b"tunewerk: cannot write to standard output: No space left on device\n", False),
        ("--help to /dev/full", ("--help",), None, "/dev/full", 1,
         b"tunewerk: cannot write to standard output: No space left on device\n", False),
        ("stdout a closed pipe", (), "answers", "closed", 1,
         b"tunewerk: cannot write to standard output: Broken pipe; "
         b"the four files were generated\n", True),
        ("stdin a directory", (), "directory", None, 1,
         b"tunewerk: cannot read standard input: Is a directory; no file was changed\n", False),
        ("escaped argument", ("\x1b]0;title\x07",), None, None, 2,
         b"tunewerk: unexpected argument '\\x1b]0;title\\x07'\n", False),
    ]
    for name, args, stdin_kind, stdout_kind, status, stderr, replaced in cases:
        drive = fresh_drive()
        before = drive_state(drive)
        answers.seek(0)
        stdin = {"answers": answers, "directory": os.open(drive, os.O_RDONLY),
                 None: subprocess.DEVNULL}[stdin_kind]
        closed = None
        if stdout_kind == "/dev/full":
            stdout = open("/dev/full", "wb")
        elif stdout_kind == "closed":
            read_end, stdout = os.pipe()
            os.close(read_end)
            closed = stdout
        else:
            stdout = subprocess.DEVNULL
        got_status, got_stderr = run_streams(args, stdin, stdout, drive)
        if status == 2:
            got_stderr = got_stderr.split(b"\n")[0] + b"\n"  # the usage synopsis follows
        check(name, (got_status, got_stderr) == (status, stderr),
              f"status {got_status}, stderr {got_stderr!r}")
        check(name, outputs_as_expected(drive) if replaced else drive_state(drive) == before,
              "outputs " + ("not replaced" if replaced else "changed"))
        if stdout_kind == "/dev/full":
            stdout.close()
        if closed is not None:
            os.close(closed)
        if stdin_kind == "directory":
            os.close(stdin)
        shutil.rmtree(drive)


def main():
    tests = [value for key, value in sorted(globals().items()) if key.startswith("test_")]
    for test in tests:
        try:
            test()
        except Exception as e:  # a hung or broken case fails, the others still run
            check(test.__name__, False, repr(e))
    print(f"console e2e: {passes} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
