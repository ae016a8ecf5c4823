"""Shared pieces of the end-to-end tests: they run the built quillet binary
and compare its standard output, standard error and exit status exactly."""
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

BANNER = (b"Quillet - November 2008\n"
          b"Copyright (c) 2026 The Quillet authors\n"
          b"https://quillet.example.org\n"
          b"quillet@example.org\n\n")

QUILLET = None
# Set when the program is a Windows build, run under wine.
EMULATOR = [os.environ["QUILLET_EMULATOR"]] if os.environ.get("QUILLET_EMULATOR") else []
WINDOWS = bool(EMULATOR)


def skip_on_windows(reason):
    """Skips a case that cannot hold for the Windows program."""
    if WINDOWS:
        raise unittest.SkipTest("Windows: " + reason)


def command(args, program=None):
    return EMULATOR + [program or QUILLET] + list(args)


def lf_lines(data, csv=False):
    """Data written with the platform's line ends, with LF line ends. On
    Windows every line end must be CR LF, except inside a quoted CSV value,
    whose bytes are kept as they are; anything else is kept visible."""
    if not WINDOWS:
        return data
    out, quoted, i = bytearray(), False, 0
    while i < len(data):
        c = data[i:i + 1]
        if csv and c == b'"':
            quoted = not quoted
        if not quoted and data[i:i + 2] == b"\r\n":
            out += b"\n"
            i += 2
            continue
        out += b"<bare LF>" if not quoted and c == b"\n" else c
        i += 1
    return bytes(out)


class Result:
    def __init__(self, status, out, err, raw_out=None):
        self.status, self.out, self.err = status, out, err
        self.raw_out = out if raw_out is None else raw_out  # standard output as written

    @property
    def messages(self):
        """Standard error after the banner."""
        assert self.err.startswith(BANNER), self.err[:200]
        return self.err[len(BANNER):]

    def __repr__(self):
        return f"Result(status={self.status}, out={self.out[:300]!r}, err={self.err[:600]!r})"


def run(args, stdin=b"", stdout=subprocess.PIPE, timeout=300, program=None, env=None):
    """Runs quillet (or another copy of it); with stdin=None it reads from an empty /dev/null."""
    proc = subprocess.run(command(args, program), input=stdin,
                          stdin=subprocess.DEVNULL if stdin is None else None,
                          stdout=stdout, stderr=subprocess.PIPE, timeout=timeout, env=env)
    return result(proc.returncode, proc.stdout or b"", proc.stderr)


def read_terminal(controller, until, raw=False):
    """What a terminal shows up to `until` (or its end), escape sequences left
    out and cursor moves to the right shown as spaces; with raw=True every
    byte it got."""
    shown = received = b""
    while until not in shown:
        try:
            chunk = os.read(controller, 4096) if select.select([controller], [], [], 60)[0] else b""
        except OSError:  # every process let go of the terminal
            chunk = b""
        if not chunk:
            break
        received += chunk
        shown = re.sub(rb"\x1b\[([0-9]*)C", lambda m: b" " * int(m[1] or 1), received)
        shown = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", shown)
    return received if raw else shown


def run_on_terminal(args, env=None, interrupt_at=None, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL):
    """Runs quillet with standard error on a pseudo-terminal: its status and
    every byte the terminal got, with LF line ends. The terminal stays open
    here until the program has ended and its output has been drained, since
    Linux may report the terminal's end before the last bytes are readable.
    Once the terminal has shown `interrupt_at`, the program gets SIGINT.
    With stdin=True (stdout=True) standard input (output) is the terminal too."""
    controller, terminal = pty.openpty()
    # Wine's console breaks lines at the terminal's width.
    fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 500, 0, 0))
    proc = subprocess.Popen(command(args), stdin=terminal if stdin is True else stdin,
                            stdout=terminal if stdout is True else stdout, stderr=terminal, env=env)
    received = b""
    while True:
        ended = proc.poll() is not None
        if select.select([controller], [], [], 0.2 if ended else 0.05)[0]:
            received += os.read(controller, 65536)
        elif ended:
            break
        if interrupt_at is not None and interrupt_at in received:
            proc.send_signal(signal.SIGINT)
            interrupt_at = None
    os.close(terminal)
    os.close(controller)
    return proc.wait(), received.replace(b"\r\n", b"\n")


def screen_lines(shown):
    """The lines a terminal keeps of what it was sent: a carriage return goes
    back to the line's start, ESC [ K erases to its end, ESC [ n C moves n
    to the right (wine's console writes blanks so), blanks at line ends do
    not count."""
    lines, column = [bytearray()], 0
    for token in re.findall(rb"\x1b\[[0-9;?]*[A-Za-z]|[\r\n]|[^\x1b\r\n]+", shown):
        if token == b"\r":
            column = 0
        elif token == b"\n":
            lines.append(bytearray())
            column = 0
        elif token == b"\x1b[K":
            del lines[-1][column:]
        elif token.startswith(b"\x1b[") and token.endswith(b"C"):
            column += int(token[2:-1] or 1)
        elif not token.startswith(b"\x1b"):
            line = lines[-1]
            line += b" " * (column - len(line))
            line[column:column + len(token)] = token
            column += len(token)
    return b"\n".join(bytes(line).rstrip(b" ") for line in lines)


def run_console(args, typed, until, delay=0, raw=False):
    """Runs quillet with standard input and standard error on a terminal (under
    wine, a console), types a line at the first prompt (`delay` seconds after
    it appeared), and returns the status, the CSV and what the terminal
    showed up to `until` (as read_terminal gives it). Under wine the terminal
    stays open after the program's end."""
    controller, terminal = pty.openpty()
    proc = subprocess.Popen(command(args), stdin=terminal, stdout=subprocess.PIPE, stderr=terminal)
    os.close(terminal)
    shown = read_terminal(controller, b"parameter:", raw)
    # Wine's console takes keys one by one once the program asks for a line;
    # a line typed ahead would end with LF, which is no Enter there.
    while WINDOWS and termios.tcgetattr(controller)[3] & termios.ICANON and proc.poll() is None:
        time.sleep(0.01)
    time.sleep(delay)
    os.write(controller, typed + b"\r")
    out = proc.communicate()[0]
    shown += read_terminal(controller, until, raw)
    os.close(controller)
    return proc.returncode, lf_lines(out, csv=True), shown


def result(status, out, err):
    """The run's result with LF line ends: standard output as CSV, standard error as text."""
    return Result(status, lf_lines(out, csv=True), lf_lines(err), out)


def run_shell(script, *args, timeout=300):
    """Runs a sh script that calls the program as `quillet`, for redirections Python cannot express."""
    env = dict(os.environ, QUILLET=QUILLET, QUILLET_EMULATOR=" ".join(EMULATOR))
    script = 'quillet() { $QUILLET_EMULATOR "$QUILLET" "$@"; }; ' + script
    proc = subprocess.run(["sh", "-c", script, "sh"] + list(args), env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return result(proc.returncode, proc.stdout, proc.stderr)


def sqlite_connect(path):
    return f"Driver=SQLite3;Database={path}"


def sqlite_exec(path, sql):
    subprocess.run(["sqlite3", path], input=sql.encode(), check=True)


class TempDirTestCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quillet-e2e-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write_file(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read_output(self, name):
        """An output file's CSV, with LF line ends."""
        with open(self.path(name), "rb") as f:
            return lf_lines(f.read(), csv=True)

    def assertRun(self, result, status, out=None, messages=None):
        self.assertEqual(result.status, status, result)
        if out is not None:
            self.assertEqual(result.out, out, result)
        if messages is not None:
            self.assertEqual(result.messages, messages, result)


def main():
    global QUILLET
    if len(sys.argv) < 2:
        sys.exit("usage: test_*.py <path to quillet>")
    QUILLET = os.path.abspath(sys.argv.pop(1))
    result = unittest.main(verbosity=2, exit=False).result
    record_skips(result.skipped)
    sys.exit(not result.wasSuccessful())


def record_skips(skipped):
    """Adds "PHASE: TEST: REASON" lines to the test command's list of skipped tests, if it keeps one."""
    if not os.environ.get("QUILLET_SKIPPED"):
        return
    script = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    lines = "".join(f"{os.environ.get('QUILLET_TEST_PHASE', 'tests')}: {test.id().replace('__main__', script, 1)}: "
                    f"{' '.join(str(reason).split())}\n" for test, reason in skipped)
    with open(os.environ["QUILLET_SKIPPED"], "a") as f:
        f.write(lines)


def pg_connect(extra=""):
    conn = os.environ.get("QUILLET_PG_CONNECT")
    if not conn:
        raise unittest.SkipTest("QUILLET_PG_CONNECT is not set (run under scripts/with-postgres.sh)")
    return conn + extra


def psql(sql, *args):
    """Runs SQL with psql on the test server and returns its output."""
    cmd = ["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-A", "-t",
           "-h", os.environ["QUILLET_PG_HOST"], "-p", os.environ["QUILLET_PG_PORT"],
           "-U", os.environ["QUILLET_PG_USER"], os.environ["QUILLET_PG_DATABASE"]] + list(args)
    proc = subprocess.run(cmd, input=sql.encode(), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if proc.returncode != 0:
        raise AssertionError(f"psql failed: {proc.stderr.decode(errors='replace')}")
    return proc.stdout


# The MariaDB driver is built for unixODBC's 2-byte wide characters; iODBC
# 3.52 calls its wide functions with 4-byte ones, and the connection fails
# with an empty diagnostic ("[] 0 - ").
IODBC_MARIADB = "iODBC: the MariaDB driver is built for unixODBC's 2-byte wide characters"


def mariadb_connect(extra=""):
    if os.environ.get("QUILLET_IODBC"):
        raise unittest.SkipTest(IODBC_MARIADB)
    conn = os.environ.get("QUILLET_MARIADB_CONNECT")
    if not conn:
        raise unittest.SkipTest("QUILLET_MARIADB_CONNECT is not set (run under scripts/with-mariadb.sh)")
    return conn + extra


def mariadb(sql):
    """Runs SQL with the mariadb client on the test server and returns its output."""
    cmd = ["mariadb", "--no-defaults", "--batch", "--skip-column-names", "--default-character-set=utf8mb4",
           "-h", os.environ["QUILLET_MARIADB_HOST"], "-P", os.environ["QUILLET_MARIADB_PORT"],
           "-u", os.environ["QUILLET_MARIADB_USER"], "-p" + os.environ["QUILLET_MARIADB_PASSWORD"],
           os.environ["QUILLET_MARIADB_DATABASE"]]
    proc = subprocess.run(cmd, input=sql.encode(), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if proc.returncode != 0:
        raise AssertionError(f"mariadb failed: {proc.stderr.decode(errors='replace')}")
    return proc.stdout
