"""Exports whose CSV text outgrows the document's memory and moves to a
temporary file. The program built for these tests moves it beyond 64 KiB, so
an export of a few MiB moves many times over."""
import os
import signal
import sqlite3
import subprocess
import time
import unittest
import quillet_e2e as e2e

ROWS = 40000


class LargeExports(e2e.TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.spilling = os.environ.get("QUILLET_SPILLTEST")
        if not self.spilling:
            raise unittest.SkipTest("QUILLET_SPILLTEST names no program")
        self.db = self.path("t.db")
        with sqlite3.connect(self.db) as connection:
            connection.execute("create table t (id integer, v text)")
            connection.executemany("insert into t values (?, ?)",
                                   ((i, f"row {i}, \"quoted\"" + "x" * (i % 90)) for i in range(ROWS)))
        connection.close()
        self.tmp = self.path("tmp")
        os.mkdir(self.tmp)

    def run_spilling(self, script, tmpdir=None):
        # Wine keeps its own server's folder in TMPDIR; the Windows program
        # takes the user's temporary folder anyway.
        temporary = {} if e2e.WINDOWS else {"TMPDIR": tmpdir or self.tmp}
        env = dict(os.environ, **temporary, QUILLET=self.spilling,
                   QUILLET_EMULATOR=" ".join(e2e.EMULATOR), DB=e2e.sqlite_connect(self.db), OUT=self.path("out.csv"))
        script = 'quillet() { $QUILLET_EMULATOR "$QUILLET" "$@"; }; ' + script
        proc = subprocess.run(["sh", "-c", script], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300)
        return e2e.result(proc.returncode, proc.stdout, proc.stderr)

    def written(self):
        with open(self.path("out.csv"), "rb") as f:
            return f.read()

    def test_the_csv_is_byte_identical_to_an_export_held_in_memory(self):
        expected = e2e.run([e2e.sqlite_connect(self.db), "-t=t", "-f"])
        self.assertGreater(len(expected.raw_out), 40 * 65536)
        for way in ('quillet "$DB" -t=t -f -o="$OUT"', 'quillet "$DB" -t=t -f | cat > "$OUT"',
                    ': > "$OUT"; quillet "$DB" -t=t -f >> "$OUT"'):
            with self.subTest(way):
                r = self.run_spilling(way)
                self.assertRun(r, 0, b"", b"%d record(s) written\n" % ROWS)
                self.assertTrue(self.written() == expected.raw_out, "the CSV differs")
                self.assertEqual(os.listdir(self.tmp), [])

    def test_a_temporary_file_that_fails_ends_the_run_with_an_empty_output(self):
        e2e.skip_on_windows("TMPDIR and file size limits are those of the Linux program")
        missing = self.path("missing")
        for script, tmpdir, reason in (
                ('quillet "$DB" -t=t -o="$OUT"', missing,
                 b"Could not create a temporary file in '%s': No such file or directory." % missing.encode()),
                ('trap "" XFSZ; ulimit -f 1000; quillet "$DB" -t=t -o="$OUT"', self.tmp,
                 b"Could not write the temporary file in '%s': File too large." % self.tmp.encode())):
            with self.subTest(reason):
                r = self.run_spilling(script, tmpdir)
                self.assertRun(r, 1, b"", b"- " + reason + b"\nCould not write output file '%s'.\n\n"
                               % self.path("out.csv").encode())
                self.assertEqual((self.written(), os.listdir(self.tmp)), (b"", []))

    def holds_a_file_in_tmp(self, pid):
        try:
            fds = f"/proc/{pid}/fd"
            return any(os.readlink(os.path.join(fds, fd)).startswith(self.tmp) for fd in os.listdir(fds))
        except OSError:
            return False

    def test_a_killed_run_leaves_no_file_behind(self):
        e2e.skip_on_windows("the descriptors of a process are read from /proc")
        statement = ("-s=with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000000) "
                     "select i, printf('%080d', i) from n")
        proc = subprocess.Popen([self.spilling, e2e.sqlite_connect(self.db) + ";StepAPI=1", statement],
                                env=dict(os.environ, TMPDIR=self.tmp), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            while proc.poll() is None and not self.holds_a_file_in_tmp(proc.pid):
                time.sleep(0.01)
        finally:
            proc.send_signal(signal.SIGKILL)
            proc.wait()
        self.assertEqual(proc.returncode, -signal.SIGKILL)
        self.assertEqual(os.listdir(self.tmp), [])


if __name__ == "__main__":
    e2e.main()
