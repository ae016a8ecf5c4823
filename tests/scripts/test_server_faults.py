"""A server that goes away in the middle of an export. The test runs its own
servers (it stops them), so it re-runs itself under scripts/with-postgres.sh
and scripts/with-mariadb.sh rather than sharing the servers of the other tests."""
import os
import subprocess
import sys
import time
import quillet_e2e as e2e

# Now and then the PostgreSQL driver dereferences a null pointer inside
# SQLExtendedFetch when the connection drops; quillet reports that instead of
# the rows it had.
DRIVER_CRASH = b"- The ODBC driver or another library crashed.\nCould not complete the export.\n\n"

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


class ServerFaults(e2e.TempDirTestCase):
    def export_while_the_server_stops(self, conn, statement, stop):
        """Starts an export, stops the server two seconds in, returns the result and the lines written."""
        out = self.path("out.csv")
        proc = subprocess.Popen(e2e.command([conn, "-s=" + statement, "-o=" + out]),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(2)
        self.assertIsNone(proc.poll(), "the export ended before the server was stopped")
        subprocess.run(stop, shell=True, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            _, err = proc.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            proc.kill()
            self.fail("quillet hung after the server stopped")
        with open(out, "rb") as f:
            return e2e.result(proc.returncode, b"", err), f.read().splitlines()

    def assertRowsThenReadFailure(self, r, lines):
        # Under wine, odbc32 now and then hands on no diagnostics record for a
        # connection lost in the middle of a fetch: the line then stays empty.
        diagnostics = rb"(\[[0-9A-Z]{5}\] |\n)" if e2e.WINDOWS else rb"\[[0-9A-Z]{5}\] "
        self.assertRegex(r.messages, rb"^\d+ record\(s\) written\n- " + diagnostics)
        self.assertTrue(r.messages.endswith(b"\nCould not read all records.\n\n"), r)
        written = int(r.messages.split(b" ")[0])
        self.assertEqual(len(lines), written)
        if written:
            self.assertEqual(lines[-1].split(b",")[0], str(written).encode())

    def test_postgres_stopped_mid_export_gives_a_clear_failure(self):
        r, lines = self.export_while_the_server_stops(
            e2e.pg_connect(";UseDeclareFetch=1;Fetch=1000"),
            "select x, md5(x::text) from (select generate_series(1, 100000000) as x) s", os.environ["QUILLET_PG_STOP"])
        self.assertEqual(r.status, 1, r)
        if r.messages == DRIVER_CRASH:
            return  # the driver's own fault on a lost connection, reported as such
        self.assertRowsThenReadFailure(r, lines)
        self.assertGreater(len(lines), 0)

    # The MariaDB driver reads the whole result on execution: the lost
    # connection ends the opening of the result, or the reading when it came later.
    def test_mariadb_killed_mid_export_gives_a_clear_failure(self):
        r, lines = self.export_while_the_server_stops(
            e2e.mariadb_connect(), "select seq, md5(seq) from seq_1_to_100000000", os.environ["QUILLET_MARIADB_STOP"])
        self.assertEqual(r.status, 1, r)
        if r.messages.endswith(b"\nCould not open the recordset.\n\n"):
            self.assertRegex(r.messages, rb"\n- \[08S01\] 2013 - .*Lost connection")
            self.assertEqual(lines, [])
        else:
            self.assertRowsThenReadFailure(r, lines)


if __name__ == "__main__":
    if not os.environ.get("QUILLET_OWN_SERVERS"):
        os.environ["QUILLET_OWN_SERVERS"] = "1"
        os.execvp("bash", ["bash", os.path.join(SCRIPTS, "with-postgres.sh"),
                           os.path.join(SCRIPTS, "with-mariadb.sh"), sys.executable] + sys.argv)
    e2e.main()
