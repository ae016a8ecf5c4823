"""Behaviours no installed driver shows, through the small test driver of
tests/driver loaded by its path."""
import os
import unittest
import quillet_e2e as e2e
from quillet_e2e import run

DRIVER_CRASH = b"- The ODBC driver or another library crashed.\nCould not complete the export.\n\n"


def test_driver_connect():
    path = os.environ.get("QUILLET_TEST_DRIVER")
    if not path:
        raise unittest.SkipTest("QUILLET_TEST_DRIVER is not set (run under ctest)")
    return "Driver=" + path


class DriverQuirks(e2e.TempDirTestCase):
    def test_value_in_short_pieces_is_written_whole(self):
        value = "x\u20ac".encode() * 1250
        for table in ("short_pieces", "short_pieces_no_total"):
            r = run([test_driver_connect(), "-t=" + table, "-f"])
            self.assertRun(r, 0, b"c\n" + value + b"\n", b"1 record(s) written\n")

    def test_crash_in_a_driver_call_is_reported_wherever_it_lands(self):
        if os.environ.get("QUILLET_SANITIZED"):
            self.skipTest("the sanitizer build leaves crashes to the sanitizers")
        e2e.skip_on_windows("under wine the driver is a Linux library, whose faults wine handles itself (the "
                            "call fails, or the process ends) before any Windows exception is raised")
        for table in ("stack_overflow", "libc_stack_overflow", "null_call"):
            with self.subTest(table):
                self.assertRun(run([test_driver_connect(), "-t=" + table]), 1, b"", DRIVER_CRASH)


if __name__ == "__main__":
    e2e.main()
