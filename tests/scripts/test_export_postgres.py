"""End-to-end export runs against a real PostgreSQL server through its ODBC driver."""
import uuid
import quillet_e2e as e2e
from quillet_e2e import run, pg_connect, psql

MIXED = """(
    i integer, b bigint, s smallint, n numeric(22,4), v varchar(10), t text,
    d date, ts timestamp, f boolean)"""

MIXED_ROWS = """
    (1, 5000000000, -3, 123456789012345678.1234, 'ääääääääää', 'a,b "c"' || chr(10) || 'd',
     '2026-12-07', '2026-12-07 01:02:03.05', true),
    (-2147483648, -5000000000, 32767, -0.0001, 'x', '  blanks  ', '0001-01-01',
     '1999-12-31 23:59:59.123456', false),
    (null, null, null, null, null, null, null, null, null),
    (7, 9223372036854775807, -32768, 2.5, '€uro', 'cr' || chr(13) || chr(10) || 'lf ' || chr(34),
     '2400-02-29', '2026-01-01 00:00:00', null)"""


class ExportPostgres(e2e.TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.conn = pg_connect()
        self.table = "t_" + uuid.uuid4().hex[:12]

    def tearDown(self):
        psql(f"drop table if exists {self.table}, {self.table}_copy")

    def test_values_of_every_type_are_exact(self):
        psql(f"""create table {self.table} (i integer, b bigint, s smallint, n numeric(22,4), r real,
                 d double precision, dt date, tm time, ts timestamp, f boolean, v varchar(10), t text,
                 by bytea);
              insert into {self.table} values
                 (1, 5000000000, -3, 123456789012345678.1234, 1.5, 2.5, '2026-12-07', '13:45:07',
                  '2026-12-07 01:02:03.05', true, 'ääääääääää', 'a,b "c"' || chr(10) || 'd', '\\x00ff10'),
                 (null, null, null, null, null, null, null, null, null, null, null, null, null),
                 (-1, -5000000000, 32767, 2.5, -0.25, 1e20, '0001-01-01', '00:00:00',
                  '2026-12-07 01:02:03.123456', false, 'x', 'y', '\\x');""")
        r = run([self.conn, f"-s=select * from {self.table} order by i nulls last", "-f"])
        self.assertRun(r, 0, (
            "i,b,s,n,r,d,dt,tm,ts,f,v,t,by\n"
            "-1,-5000000000,32767,2.500000,-0.250000,100000000000000000000.000000,0001-01-01,"
            "00:00:00,2026-12-07 01:02:03.123456,0,x,y,\n"
            "1,5000000000,-3,123456789012345678.123400,1.500000,2.500000,2026-12-07,13:45:07,"
            "2026-12-07 01:02:03.050,1,ääääääääää,\"a,b \"\"c\"\"\nd\",00ff10\n"
            ",,,,,,,,,,,,\n").encode(), b"3 record(s) written\n")

    def test_long_text_comes_out_whole(self):
        r = run([self.conn, "-s=select repeat('ab', 50000) as a, repeat('é', 3000) as b, 1 as c"])
        self.assertRun(r, 0, b"ab" * 50000 + b"," + "é".encode() * 3000 + b",1\n",
                       b"1 record(s) written\n")

    def test_failing_fetch_keeps_the_rows_before_it_and_fails(self):
        conn = pg_connect(";UseDeclareFetch=1;Fetch=100")
        r = run([conn, "-s=select case when x = 500 then 1/(x-500) else x end as v "
                       "from generate_series(1,1000) x"])
        self.assertEqual(r.status, 1, r)
        self.assertEqual(r.out, b"".join(b"%d\n" % x for x in range(1, 401)))
        self.assertTrue(r.messages.startswith(b"400 record(s) written\n- [22012] "), r)
        self.assertTrue(r.messages.endswith(b"\nCould not read all records.\n\n"), r)

    def test_statement_without_result_set_succeeds(self):
        r = run([self.conn, f"-s=create table {self.table} (a integer)"])
        self.assertRun(r, 0, b"", b"0 record(s) written\n")

    def test_header_of_an_empty_result_names_its_columns(self):
        r = run([self.conn, "-s=select 1 as one, 'x' as two where false", "-f"])
        self.assertRun(r, 0, b"one,two\n", b"0 record(s) written\n")

    def test_nothing_listening_fails_fast_with_the_drivers_diagnostics(self):
        r = run(["Driver=PostgreSQL ANSI;Server=127.0.0.1;Port=1;Database=x;Uid=postgres", "-t=x"],
                timeout=30)
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.startswith(b"- ["), r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)

    def test_round_trip_through_copy_gives_the_same_rows(self):
        psql(f"create table {self.table} {MIXED}; insert into {self.table} values {MIXED_ROWS};"
             f"create table {self.table}_copy {MIXED};")
        out = self.path("mixed.csv")
        r = run([self.conn, f"-t={self.table}", "-f", "-o=" + out])
        self.assertRun(r, 0, b"", b"4 record(s) written\n")
        psql(f"\\copy {self.table}_copy from '{out}' csv header")
        differ = psql(f"select count(*) from ((select * from {self.table} except all "
                      f"select * from {self.table}_copy) union all (select * from {self.table}_copy "
                      f"except all select * from {self.table})) d")
        self.assertEqual(differ.strip(), b"0")


if __name__ == "__main__":
    e2e.main()
