"""A PostgreSQL server that goes away in the middle of an export. The test
runs its own server (it stops it), so it re-runs itself under
scripts/with-postgres.sh rather than sharing the server of the other tests."""
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
    def test_server_stopped_mid_export_gives_a_clear_failure(self):
        conn = e2e.pg_connect(";UseDeclareFetch=1;Fetch=1000")
        out = self.path("out.csv")
        proc = subprocess.Popen(
            [e2e.QUILLET, conn, "-s=select x, md5(x::text) from (select generate_series(1, 100000000) as x) s",
             "-o=" + out], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(2)
        self.assertIsNone(proc.poll(), "the export ended before the server was stopped")
        subprocess.run(os.environ["QUILLET_PG_STOP"], shell=True, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            _, err = proc.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            proc.kill()
            self.fail("quillet hung after the server stopped")
        r = e2e.Result(proc.returncode, b"", err)
        self.assertEqual(r.status, 1, r)
        if r.messages == DRIVER_CRASH:
            return  # the driver's own fault on a lost connection, reported as such
        self.assertRegex(r.messages, rb"^\d+ record\(s\) written\n- \[[0-9A-Z]{5}\] ")
        self.assertTrue(r.messages.endswith(b"\nCould not read all records.\n\n"), r)
        with open(out, "rb") as f:
            lines = f.read().splitlines()
        written = int(r.messages.split(b" ")[0])
        self.assertGreater(written, 0)
        self.assertEqual(len(lines), written)
        self.assertEqual(lines[-1].split(b",")[0], str(written).encode())


if __name__ == "__main__":
    if not os.environ.get("QUILLET_PG_OWN_SERVER"):
        os.environ["QUILLET_PG_OWN_SERVER"] = "1"
        os.execvp("bash", ["bash", os.path.join(SCRIPTS, "with-postgres.sh"), sys.executable] + sys.argv)
    e2e.main()
