"""Oversized and malformed input: each gives a clear message or a correct result, never a crash."""
import os
import quillet_e2e as e2e
from quillet_e2e import run, sqlite_connect, sqlite_exec

# Linux refuses a single argument of 128 KiB or more (MAX_ARG_STRLEN).
LARGEST_ELEMENT = 128 * 1024 - 1
WINDOWS_LIMIT = "a whole command line holds at most 32767 characters"


class HostileInput(e2e.TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.db = self.path("test.db")
        sqlite_exec(self.db, "CREATE TABLE t (a INTEGER);")
        self.conn = sqlite_connect(self.db)

    def test_largest_unknown_element_is_echoed_whole(self):
        e2e.skip_on_windows(WINDOWS_LIMIT)
        element = "-x" + "%s" * ((LARGEST_ELEMENT - 2) // 2)
        r = run([self.conn, element])
        self.assertEqual(r.status, 2, r)
        self.assertTrue(r.messages.startswith(b"Invalid argument: " + element.encode() + b"\n\n\nUsage:\n"))

    def test_largest_statement_element_runs(self):
        e2e.skip_on_windows(WINDOWS_LIMIT)
        literal = "y" * (LARGEST_ELEMENT - 40)
        r = run([self.conn, f"-s=select '{literal}' as v"])
        self.assertRun(r, 0, literal.encode() + b"\n", b"1 record(s) written\n")

    def test_statement_of_ten_megabytes_from_a_parameter(self):
        value = "z" * (10 * 1024 * 1024)
        params = self.write_file("p.txt", value.encode() + b"\n")
        r = run([self.conn, "-s=select length(v), substr(v, -3) from (select '??' as v)", "-i=" + params])
        self.assertRun(r, 0, b"10485760,zzz\n", b"1 record(s) written\n")

    def test_connection_string_too_long_for_the_driver_manager(self):
        e2e.skip_on_windows(WINDOWS_LIMIT)
        conn = self.conn + ";Pad=" + "p" * 40000
        r = run([conn, "-t=t"])
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)
        self.assertIn(b"32767", r.messages)
        self.assertNotIn(b"ppppp", r.messages)

    def test_text_value_of_a_hundred_megabytes(self):
        r = run([self.conn, "-s=select replace(hex(zeroblob(50000000)), '0', 'x') as v, 1 as n"])
        self.assertEqual(r.status, 0, r)
        self.assertEqual(len(r.out), 100000000 + 3)
        self.assertEqual(r.out[:4], b"xxxx")
        self.assertEqual(r.out[-3:], b",1\n")
        self.assertEqual(r.messages, b"1 record(s) written\n")

    def test_endless_line_of_nul_bytes_is_refused_at_its_first_byte(self):
        r = run([self.conn, "-s=select '??'", "-i=/dev/zero"], timeout=60)
        self.assertRun(r, 1, b"", b"The value for parameter 1 holds a NUL byte.\n\n")

    def test_parameter_file_with_carriage_returns_only(self):
        params = self.write_file("p.txt", b"a\rb\r")
        r = run([self.conn, "-s=select length('??') as n", "-i=" + params])
        self.assertRun(r, 0, b"3\n", b"1 record(s) written\n")

    def test_output_file_follows_the_umask(self):
        e2e.skip_on_windows("files have no POSIX mode bits")
        for umask, mode in (("077", 0o600), ("022", 0o644)):
            out = self.path(f"out-{umask}.csv")
            r = e2e.run_shell(f'umask {umask}; quillet "$1" -s="select 1 as a" -o="$2"', self.conn, out)
            self.assertEqual(r.status, 0, r)
            self.assertEqual(os.stat(out).st_mode & 0o777, mode)

    def test_connection_string_is_never_printed(self):
        conn = self.conn + ";PWD=very-secret"
        malformed = f"Driver=No Such Driver PWD=very-secret;Database={self.db}"
        for args in ([conn, "-s=selec broken"], [conn, "-t=missing_table"], ["Driver=None;PWD=very-secret", "-t=t"],
                     [malformed, "-t=t"]):
            r = run(args)
            self.assertEqual(r.status, 1, r)
            self.assertNotIn(b"very-secret", r.err)


if __name__ == "__main__":
    e2e.main()
