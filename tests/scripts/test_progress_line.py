"""The status line of a long export on a terminal: it shows while the export
runs and leaves exactly the messages behind; to a pipe not one byte differs.
Each driver's statements take well over a second on the server."""
import concurrent.futures
import os
import signal
import subprocess
import unittest
import quillet_e2e as e2e
from quillet_e2e import BANNER, run

ROWS = 1000
# 1000 rows, each after 16 ** 4 steps of SQLite's engine, which a build for
# ThreadSanitizer runs at full speed.
SLOW_SQLITE = ("with recursive w(x) as (select 0 union all select x + 1 from w where x < 15), "
               "d(x) as (select x from w where x < 10) select {} from d a, d b, d c, w e, w f, w g, w h "
               "where e.x + f.x + g.x + h.x = 60")
# (connection, statement giving 1 to ROWS, statement failing at its end)
DRIVERS = {
    "sqlite": (lambda: e2e.sqlite_connect(":memory:") + ";StepAPI=1",
               SLOW_SQLITE.format("a.x * 100 + b.x * 10 + c.x + 1"),
               SLOW_SQLITE.format("abs(-9223372036854775807 - (a.x + b.x + c.x = 27))")),
    "postgres": (e2e.pg_connect,
                 f"select g from generate_series(1, {ROWS}) g, lateral (select pg_sleep(0.0015 * sign(g))) s",
                 "select 1 / (count(*) - 1) from (select pg_sleep(1.5)) s"),
    "mariadb": (e2e.mariadb_connect, f"with recursive c(g) as (select 1 union all select g + 1 from c where g < {ROWS})"
                " select g from c where sleep(0.0015) = 0", "select if(sleep(1.5) = 0, (select 1 union select 2), 0)"),
}
LINE = b"\x1b[K"
EXPECTED_CSV = b"".join(b"%d\n" % i for i in range(1, ROWS + 1))


class ProgressLine(unittest.TestCase):
    def setUp(self):
        # Wine gives a program a console only when its standard input is the terminal as well.
        self.stdin = True if e2e.WINDOWS else subprocess.DEVNULL

    def on_terminal(self, args, **kwargs):
        status, shown = e2e.run_on_terminal(args, stdin=self.stdin, **kwargs)
        return status, shown, e2e.screen_lines(shown)

    def runs_of(self, connect, rows, failing):
        """The slow statement and the failing one, each piped and on a terminal."""
        args = [connect()]
        return [run_or_show(args + ["-s=" + statement]) for statement in (rows, failing)
                for run_or_show in (run, self.on_terminal)]

    def test_a_long_export_shows_the_line_and_leaves_only_the_messages(self):
        # Each driver mostly waits for its own statements, so the drivers run side by side.
        with concurrent.futures.ThreadPoolExecutor(len(DRIVERS)) as pool:
            runs = {driver: pool.submit(self.runs_of, *statements) for driver, statements in DRIVERS.items()}
        for driver, future in runs.items():
            with self.subTest(driver):
                piped, (status, shown, screen), failed, (failed_status, failed_shown, failed_screen) = future.result()
                self.assertEqual((piped.status, piped.out, piped.err),
                                 (0, EXPECTED_CSV, BANNER + b"%d record(s) written\n" % ROWS))
                self.assertIn(LINE, shown)
                self.assertEqual((status, screen), (0, piped.err))
                self.assertEqual(failed.status, 1)
                self.assertIn(b"\n- [", failed.err)
                self.assertIn(LINE, failed_shown)
                self.assertEqual((failed_status, failed_screen), (1, failed.err))

    def sqlite_export(self, **kwargs):
        return self.on_terminal([DRIVERS["sqlite"][0](), "-s=" + DRIVERS["sqlite"][1]], **kwargs)

    def test_reading_shows_the_records_read(self):
        self.assertRegex(self.sqlite_export()[1], rb"\r\d+ records read, \d+\.\d MiB of CSV, \d+ records/s, \d+:\d\d")

    def test_the_line_waits_for_the_value_typed_at_the_prompt(self):
        args = [DRIVERS["sqlite"][0](), "-s=" + SLOW_SQLITE.format("a.x * 100 + b.x * 10 + c.x + ??")]
        status, out, shown = e2e.run_console(args, b"1", b"written", delay=1.5, raw=True)
        self.assertIn(b"records read", shown)
        self.assertEqual((status, out, e2e.screen_lines(shown)),
                         (0, EXPECTED_CSV, BANNER + b"Enter value for parameter: 1\n\n%d record(s) written\n" % ROWS))

    def test_ctrl_c_leaves_a_clean_line(self):
        e2e.skip_on_windows("a POSIX signal sent to wine is no console control event")
        status, _, screen = self.sqlite_export(interrupt_at=LINE)
        self.assertEqual((status, screen), (-signal.SIGINT, BANNER))

    def test_a_reader_gone_from_standard_output_leaves_a_clean_line(self):
        e2e.skip_on_windows("Windows has no SIGPIPE")
        reader, writer = os.pipe()
        os.close(reader)
        status, _, screen = self.sqlite_export(stdout=writer)
        os.close(writer)
        self.assertEqual((status, screen), (-signal.SIGPIPE, BANNER))

    def test_csv_on_the_terminal_itself_is_not_crossed(self):
        status, _, screen = self.sqlite_export(stdout=True)
        self.assertEqual((status, screen), (0, BANNER + EXPECTED_CSV + b"%d record(s) written\n" % ROWS))

    def test_a_dumb_terminal_gets_no_line(self):
        status, shown, screen = self.sqlite_export(env=dict(os.environ, TERM="dumb"))
        self.assertNotIn(b"records read", shown)
        self.assertEqual((status, screen), (0, BANNER + b"%d record(s) written\n" % ROWS))


if __name__ == "__main__":
    e2e.main()
