"""Exports that run out of memory, under an address-space limit: each run either
writes the complete file or ends with a message and exit status 1, never with a
signal, a partial file or the library-crash report."""
import os
import sqlite3
import subprocess
import unittest
import quillet_e2e as e2e
from quillet_e2e import sqlite_connect

MB = 1024 * 1024
OUT_OF_MEMORY = b"Out of memory.\n\n"
# The SQLite driver reports its own failed allocations through ODBC.
DRIVER_FAILURES = (b"\nCould not open the recordset.\n\n", b"\nCould not read all records.\n\n")
CRASH = b"another library crashed"

ROW_COUNT = 200000
BIG_VALUE = 60 * MB


def many_rows():
    return ((i, f"{i:08d}" * 25) for i in range(ROW_COUNT))


class OutOfMemory(e2e.TempDirTestCase):
    @classmethod
    def setUpClass(cls):
        if os.environ.get("QUILLET_SANITIZED"):
            raise unittest.SkipTest("the sanitizers reserve more address space than any limit leaves")
        e2e.skip_on_windows("an address-space limit would bind wine itself, not the program alone")

    def export_under_limits(self, rows, expected, limits, program=None, options=""):
        """Exports table t under each limit; returns how many runs ended out of memory."""
        db = self.path("t.db")
        with sqlite3.connect(db) as connection:
            connection.execute("create table t (id integer, v varchar(200))")
            connection.executemany("insert into t values (?, ?)", rows)
        connection.close()
        out = self.path("out.csv")
        out_of_memory = 0
        for limit in limits:
            proc = subprocess.run(["prlimit", f"--as={limit * MB}", program or e2e.QUILLET,
                                   sqlite_connect(db) + options, "-t=t", "-o=" + out],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                  timeout=120)
            r = e2e.Result(proc.returncode, b"", proc.stderr)
            with open(out, "rb") as f:
                written = f.read()
            with self.subTest(limit_mb=limit):
                self.assertIn(r.status, (0, 1), r)
                self.assertNotIn(CRASH, r.err, r)
                if r.status == 0:
                    self.assertEqual(r.messages, b"%d record(s) written\n" % expected.count(b"\n"), r)
                    self.assertTrue(written == expected, f"incomplete file of {len(written)} bytes")
                elif r.messages == OUT_OF_MEMORY:
                    out_of_memory += 1
                    self.assertEqual(written, b"")
                else:
                    self.assertTrue(r.messages.endswith(DRIVER_FAILURES), r)
        return out_of_memory

    def test_many_rows_end_complete_or_with_a_message(self):
        expected = b"".join(b"%d,%s\n" % (i, v.encode()) for i, v in many_rows())
        self.assertGreater(self.export_under_limits(many_rows(), expected, range(60, 401, 10)), 0)

    def test_one_large_value_ends_complete_or_with_a_message(self):
        value = "x" * BIG_VALUE
        expected = b"1," + value.encode() + b"\n"
        self.assertGreater(self.export_under_limits([(1, value)], expected, range(100, 401, 20)), 0)

    def test_an_export_whose_text_moves_to_a_file_completes_far_below_its_size(self):
        program = os.environ.get("QUILLET_SPILLTEST")
        if not program:
            raise unittest.SkipTest("QUILLET_SPILLTEST names no program")
        expected = b"".join(b"%d,%s\n" % (i, v.encode()) for i, v in many_rows())
        self.assertEqual(self.export_under_limits(many_rows(), expected, (20, 30), program, ";StepAPI=1"), 0)
        self.assertGreater(len(expected), 39 * MB)


if __name__ == "__main__":
    e2e.main()
