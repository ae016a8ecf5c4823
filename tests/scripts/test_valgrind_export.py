"""A complete export of the example database (every kind of value) under
valgrind's memcheck: no memory error and no definitely lost bytes."""
import os
import shutil
import subprocess
import unittest
import quillet_e2e as e2e

EXAMPLE_SQL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "example.sql")


class ValgrindExport(e2e.TempDirTestCase):
    def test_example_export_is_clean_under_memcheck(self):
        e2e.skip_on_windows("valgrind runs Linux programs only")
        if os.environ.get("QUILLET_SANITIZED") or not shutil.which("valgrind"):
            raise unittest.SkipTest("needs valgrind and a build without sanitizers")
        db = self.path("example.db")
        with open(EXAMPLE_SQL, "rb") as sql:
            subprocess.run(["sqlite3", db], stdin=sql, check=True)
        proc = subprocess.run(
            ["valgrind", "--error-exitcode=99", "--leak-check=full", "--errors-for-leak-kinds=definite",
             e2e.QUILLET, e2e.sqlite_connect(db), "-t=orders", "-f", "-o=" + self.path("out.csv")],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode(errors="replace")[-3000:])
        self.assertIn(b"300 record(s) written", proc.stderr)


if __name__ == "__main__":
    e2e.main()
