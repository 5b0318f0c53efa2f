#!/usr/bin/env python3
"""End-to-end tests of the Windows program on a console under wine: wine
shows a console on a pseudo-terminal, with no other Windows process on it,
so the run sees a console window of its own, as after a double-click.
Covers the close prompt, Ctrl-Z and Enter at a question, and the stop by
Ctrl-C: typed (wine turns the terminal's interrupt into the console's event)
and sent by another process. Wine delivers no Ctrl-Break or close event.
Then the .zip as a user unpacks it into a folder whose name has a blank: the
launchers by a double-click, the program started there with the inputs
beside it, and /?.

Usage: wine_console_test.py PROGRAM.exe CONSOLE_EVENT.exe [CPACK CPACK_CONFIG]
  CONSOLE_EVENT.exe  tests/e2e/console_event.cc built
  CPACK, CPACK_CONFIG  cpack and the build's CPackConfig.cmake, to make the .zip
  WINEPREFIX names the prefix (./wineprefix when unset).
"""
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import time
import zipfile

import console_test as shared
from console_test import EXAMPLE, INPUTS, OUTPUTS, check

PROGRAM = shared.PROGRAM
EVENT_HELPER = os.path.abspath(sys.argv[2])
CPACK = sys.argv[3:5]
PROMPTS = (b"Include scrambled programmes", b"Include C-Band", b"Sort alphabetically",
           b"Include feeds")
CLOSE_PROMPT = b"Press Enter to close this window."
CANCELLED = shared.CANCELLED.rstrip()
# STATUS_CONTROL_C_EXIT as the low byte a POSIX parent sees.
STOPPED = 0xC000013A & 0xFF
TIMEOUT = 60

os.environ.setdefault("WINEPREFIX", os.path.join(os.getcwd(), "wineprefix"))
os.environ.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
WINE = shutil.which("wine64") or shutil.which("wine")
WINESERVER = (shutil.which("wineserver64") or shutil.which("wineserver") or
              "/usr/lib/wine/wineserver64")
DRIVE = os.path.join(os.environ["WINEPREFIX"], "drive_c")


def windows_path(path):
    return "z:" + path.replace("/", "\\")


def load_example(missing=()):
    for name in INPUTS + OUTPUTS:
        path = os.path.join(DRIVE, name)
        if os.path.exists(path):
            os.remove(path)
    for name in INPUTS:
        if name not in missing:
            shutil.copy(os.path.join(EXAMPLE, name), DRIVE)


# The run's files only: drive C of a prefix holds wine's own folders too.
def drive_state():
    state = {}
    for name in sorted(os.listdir(DRIVE)):
        if name in INPUTS + OUTPUTS or name.startswith(".tunewerk-"):
            with open(os.path.join(DRIVE, name), "rb") as f:
                state[name] = f.read()
    return state


def outputs_as_expected():
    return shared.outputs_as_expected(DRIVE)


class WineSession:
    """The program under wine with its console on a pseudo-terminal; either
    standard stream may be a pipe instead."""

    def __init__(self, stdin_pipe=False, stdout_pipe=False, command=None):
        self.output = b""
        pipes = {}
        if stdin_pipe:
            pipes[0] = os.pipe()
        if stdout_pipe:
            pipes[1] = os.pipe()
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(DRIVE)
            if stdin_pipe:
                os.dup2(pipes[0][0], 0)
            if stdout_pipe:
                os.dup2(pipes[1][1], 1)
            os.execv(WINE, [WINE] + (command or [PROGRAM]))
        self.stdin = os.fdopen(pipes[0][1], "wb", 0) if stdin_pipe else None
        self.stdout = os.fdopen(pipes[1][0], "rb") if stdout_pipe else None
        if stdin_pipe:
            os.close(pipes[0][0])
        if stdout_pipe:
            os.close(pipes[1][1])

    def read(self, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            ready, _, _ = select.select([self.fd], [], [], 0.1)
            if ready:
                try:
                    data = os.read(self.fd, 65536)
                except OSError:
                    return
                if not data:
                    return
                self.output += data

    def wait_for(self, text):
        deadline = time.time() + TIMEOUT
        while not self.has_shown(text) and time.time() < deadline:
            self.read(0.2)
        return self.has_shown(text)

    def type(self, keys, after_text):
        if not self.wait_for(after_text):
            return False
        time.sleep(0.3)
        os.write(self.fd, keys)
        return True

    # The terminal's suspend key would stop wine itself: Ctrl-Z must reach
    # the console as a key.
    def let_ctrl_z_through(self):
        slave = os.open(os.readlink(f"/proc/{self.pid}/fd/2"), os.O_RDWR | os.O_NOCTTY)
        attributes = termios.tcgetattr(slave)
        attributes[6][termios.VSUSP] = b"\0"
        termios.tcsetattr(slave, termios.TCSANOW, attributes)
        os.close(slave)

    def running_after(self, seconds):
        self.read(seconds)
        return os.waitpid(self.pid, os.WNOHANG)[0] == 0

    def status(self):
        deadline = time.time() + TIMEOUT
        while time.time() < deadline:
            done, status = os.waitpid(self.pid, os.WNOHANG)
            if done:
                self.read(0.2)
                os.close(self.fd)
                return os.waitstatus_to_exitcode(status)
            self.read(0.2)
        os.kill(self.pid, 9)
        os.waitpid(self.pid, 0)
        return None

    def shown(self):
        """What reached the terminal, without its control sequences and
        blanks (the console may move the cursor over them)."""
        return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|[\r\n ]", b"", self.output)

    def has_shown(self, text):
        return text.replace(b" ", b"") in self.shown()


def answer(session, answers=(b"y", b"n", b"", b"y")):
    for prompt, typed in zip(PROMPTS, answers):
        if not session.type(typed + b"\r", prompt):
            return False
    return True


def test_close_prompt_waits_for_enter():
    for missing in ((), ("user.sdx",)):
        name = "own window" + (" after a failure" if missing else "")
        load_example(missing)
        session = WineSession()
        answer(session)
        check(name, session.wait_for(CLOSE_PROMPT), f"no close prompt: {session.shown()[-300:]!r}")
        check(name, session.running_after(1.5), "did not wait for Enter")
        os.write(session.fd, b"\r")
        status = session.status()
        if missing:
            line = b"tunewerk:cannotopenc:\\user.sdx:Filenotfound"
            shown = session.shown()
            check(name, status == 1, f"status {status}")
            check(name, 0 <= shown.find(line) < shown.find(b"PressEnter"), f"{shown[-300:]!r}")
        else:
            check(name, status == 0 and outputs_as_expected(), f"status {status}")


def test_redirected_streams_never_wait():
    load_example()
    session = WineSession(stdin_pipe=True)
    session.stdin.write(b"y\nn\n\ny\n")
    session.stdin.close()
    status = session.status()
    check("standard input a pipe", status == 0 and not session.has_shown(CLOSE_PROMPT),
          f"status {status}, {session.shown()[-200:]!r}")
    load_example()
    session = WineSession(stdout_pipe=True)
    answer(session, ())
    session.read(3)
    os.write(session.fd, b"y\rn\r\ry\r")
    status = session.status()
    transcript = session.stdout.read()
    check("standard output a pipe",
          status == 0 and not session.has_shown(CLOSE_PROMPT) and CLOSE_PROMPT not in transcript,
          f"status {status}, {transcript[-200:]!r}")


def test_ctrl_z_and_enter_cancels():
    name = "Ctrl-Z and Enter"
    load_example()
    before = drive_state()
    session = WineSession()
    session.wait_for(PROMPTS[0])
    session.let_ctrl_z_through()
    session.type(b"y\r", PROMPTS[0])
    session.type(b"\x1a\r", PROMPTS[1])
    check(name, session.wait_for(CLOSE_PROMPT), f"{session.shown()[-300:]!r}")
    os.write(session.fd, b"\r")
    status = session.status()
    check(name, status == 1 and session.has_shown(CANCELLED), f"status {status}")
    check(name, drive_state() == before, "the drive changed")


def test_ctrl_c():
    name = "Ctrl-C at a question"
    load_example()
    before = drive_state()
    session = WineSession()
    session.type(b"y\r", PROMPTS[0])
    session.type(b"\x03", PROMPTS[1])
    status = session.status()
    check(name, status == STOPPED, f"status {status}")
    check(name, drive_state() == before, "the drive changed or a lock is left")
    check(name, not session.has_shown(CLOSE_PROMPT), "the stopped run asked for Enter")

    # The event as GenerateConsoleCtrlEvent sends it, from a helper on the
    # same console (so the run does not own it).
    name = "Ctrl-C event of another process"
    load_example()
    before = drive_state()
    session = WineSession(command=[EVENT_HELPER, windows_path(PROGRAM)])
    session.type(b"y\r", PROMPTS[0])
    status = session.status()
    check(name, status == STOPPED, f"status {status}")
    check(name, drive_state() == before, "the drive changed or a lock is left")

    name = "Ctrl-C at the close prompt"
    load_example()
    session = WineSession()
    answer(session)
    session.type(b"\x03", CLOSE_PROMPT)
    status = session.status()
    check(name, status == 0 and outputs_as_expected(), f"status {status}")


def unpacked_zip(scratch):
    """The .zip made as the release makes it, unpacked into "Tune werk"
    without its top folder."""
    made = subprocess.run([CPACK[0], "-G", "ZIP", "--config", CPACK[1], "-B", scratch],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    zips = [name for name in os.listdir(scratch) if name.endswith(".zip")]
    if made.returncode != 0 or len(zips) != 1:
        return None, made.stdout.decode(errors="replace")[-500:]
    folder = os.path.join(scratch, "Tune werk")
    with zipfile.ZipFile(os.path.join(scratch, zips[0])) as archive:
        for member in archive.infolist():
            inside = member.filename.split("/", 1)[1]
            if inside and not member.is_dir():
                path = os.path.join(folder, inside)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with archive.open(member) as source, open(path, "wb") as target:
                    shutil.copyfileobj(source, target)
    return folder, ""


# A double-click on a launcher: cmd runs it in a console of its own.
def launched_run(name, launcher, answers=(b"y", b"n", b"", b"y")):
    session = WineSession(command=["cmd", "/c", windows_path(launcher)])
    answer(session, answers)
    check(name, session.wait_for(CLOSE_PROMPT), f"no close prompt: {session.shown()[-300:]!r}")
    check(name, session.running_after(1.5), "did not wait for Enter")
    os.write(session.fd, b"\r")
    return session, session.status()


def test_unpacked_zip():
    scratch = tempfile.mkdtemp()
    try:
        unpacked_zip_runs(scratch)
    finally:
        shutil.rmtree(scratch)


def unpacked_zip_runs(scratch):
    folder, problem = unpacked_zip(scratch)
    check("unpacked .zip", folder is not None, problem)
    if folder is None:
        return
    load_example(INPUTS)

    name = "example launcher"
    example = os.path.join(folder, "example")
    session, status = launched_run(name, os.path.join(example, "Tunewerk here.cmd"))
    check(name, status == 0 and shared.outputs_as_expected(example),
          f"status {status}, {session.shown()[-300:]!r}")

    name = "inputs beside the program, run without -C"
    for input_name in INPUTS:
        shutil.copy(os.path.join(EXAMPLE, input_name), folder)
    session = WineSession(command=[os.path.join(folder, "tunewerk.exe")])
    answer(session)
    check(name, session.wait_for(CLOSE_PROMPT), f"no close prompt: {session.shown()[-300:]!r}")
    os.write(session.fd, b"\r")
    status = session.status()
    hint = (b"cannot open c:\\vaz3er.ini: File not found; vaz3er.ini lies beside the program in " +
            windows_path(folder).encode() + b"\\: to use that folder, double-click "
            b"\"Tunewerk here.cmd\" there or name it with -C")
    # Wine names the drive of a POSIX path in capitals or not.
    shown = session.shown().lower()
    check(name, status == 1 and hint.replace(b" ", b"").lower() in shown,
          f"status {status}, {shown[-400:]!r}")

    name = "launcher beside the program"
    session, status = launched_run(name, os.path.join(folder, "Tunewerk here.cmd"))
    check(name, status == 0 and shared.outputs_as_expected(folder), f"status {status}")

    name = "/? from the unpacked folder"
    shown = subprocess.run([WINE, os.path.join(folder, "tunewerk.exe"), "/?"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    check(name, shown.returncode == 0 and shown.stdout.startswith(b"Usage: tunewerk") and
          not shown.stderr, f"status {shown.returncode}, {shown.stderr[-200:]!r}")


# As in run_e2e.sh: wine's own services start here, their words kept apart,
# and the server stays up for the whole suite, so that no session starts
# them; one of them now and then faults while starting on a busy machine,
# and its words would reach that session's terminal.
def boot_prefix():
    if not os.path.isdir(DRIVE):
        subprocess.run([WINE, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    for flag in ("-k", "-w", "-p"):
        subprocess.run([WINESERVER, flag], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINE, "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def main():
    boot_prefix()
    test_close_prompt_waits_for_enter()
    test_redirected_streams_never_wait()
    test_ctrl_z_and_enter_cancels()
    test_ctrl_c()
    if CPACK:
        test_unpacked_zip()
    load_example(INPUTS)
    for name in os.listdir(DRIVE):
        if name.startswith(".tunewerk-"):
            os.remove(os.path.join(DRIVE, name))
    subprocess.run([WINESERVER, "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"wine console: {shared.passes} passed, {shared.failures} failed")
    return 0 if shared.failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
