"""End-to-end exports written once and run on every driver: SQLite, PostgreSQL
and MariaDB. Each driver supplies its connection, a way to run set-up SQL and
its table of column types with the values stored and the text expected."""
import csv
import io
import re
import unittest
import uuid
import quillet_e2e as e2e
from quillet_e2e import run

# SQLite keeps any kind of value in any column: what is not a clean value of
# the column's kind comes out as stored, a blob as hex digits.
SQLITE_VALUES = [
    ("integer", [("'N/A'", "N/A"), ("'10blurk'", "10blurk"), ("1.5", "1.5"), ("x'00ff'", "00ff"),
                 ("1700000000123", "1700000000123"), ("3000000000", "3000000000"), ("4294967296", "4294967296"),
                 ("-9223372036854775808", "-9223372036854775808"), ("null", "")]),
    ("real", [("'abc'", "abc"), ("'1.5x'", "1.5x"), ("2.5", "2.500000"), ("1e20", "100000000000000000000.000000"),
              ("7", "7.000000"), ("x'0102'", "0102"), ("9e999", "Infinity"), ("-9e999", "-Infinity")]),
    ("date", [("'soon'", "soon"), ("'2024-13-45'", "2024-13-45"), ("20240102", "20240102"),
              ("'2024-01-02'", "2024-01-02")]),
    ("time", [("'2043-02-02'", "2043-02-02"), ("'12:34:56.789'", "12:34:56"), ("'12:34'", "12:34:00")]),
    ("timestamp", [("'not a date'", "not a date"), ("1700000000", "1700000000"),
                   ("'2024-01-02 03:04:05.5'", "2024-01-02 03:04:05.500"),
                   ("'2024-01-02T03:04'", "2024-01-02 03:04:00.000"),
                   ("'2024-01-02 03:04:05+02:00'", "2024-01-02 03:04:05+02:00")]),
    ("boolean", [("'yes'", "yes"), ("2", "2"), ("'true'", "true"), ("-1", "-1"), ("1", "1"), ("0", "0")]),
    ("numeric", [("'n/a'", "n/a"), ("2.5", "2.500000")]),
    ("text", [("x'00ff10'", "00ff10"), ("'plain'", "plain")]),
    ("blob", [("'yesterday'", "yesterday"), ("12", "12"), ("x'00ff10'", "00ff10")]),
    ("", [("x'00ff10'", "00ff10"), ("5", "5"), ("'x'", "x")]),
]

POSTGRES_VALUES = [
    ("smallint", [("-32768", "-32768"), ("32767", "32767")]),
    ("integer", [("-2147483648", "-2147483648"), ("2147483647", "2147483647"), ("null", "")]),
    ("bigint", [("-9223372036854775808", "-9223372036854775808"), ("9223372036854775807", "9223372036854775807")]),
    ("numeric(22,4)", [("123456789012345678.1234", "123456789012345678.123400"), ("-0.0001", "-0.000100"),
                       ("'NaN'", "NaN")]),
    ("numeric", [("'Infinity'", "Infinity"), ("'-Infinity'", "-Infinity")]),
    ("real", [("1.5", "1.500000"), ("'NaN'", "NaN"), ("'-Infinity'", "-Infinity")]),
    ("double precision", [("1e20", "100000000000000000000.000000"), ("'NaN'", "NaN"), ("'Infinity'", "Infinity"),
                          ("'-Infinity'", "-Infinity")]),
    ("date", [("'0001-01-01'", "0001-01-01")]),
    ("time", [("'13:45:07.5'", "13:45:07"), ("'24:00:00'", "24:00:00")]),
    ("timestamp", [("'2026-12-07 01:02:03.05'", "2026-12-07 01:02:03.050"),
                   ("'1999-12-31 23:59:59.123456'", "1999-12-31 23:59:59.123456")]),
    ("boolean", [("true", "1"), ("false", "0")]),
    ("char(5)", [("'ab'", "ab")]),
    ("varchar(10)", [("'ääääääääää'", "ääääääääää")]),
    ("text", [("'a,b \"c\"' || chr(10) || 'd'", '"a,b ""c""\nd"'), ("'  blanks  '", "  blanks  ")]),
    ("bytea", [("'\\x00ff10'", "00ff10"), ("'\\x'", "")]),
]

MARIADB_VALUES = [
    ("tinyint", [("-128", "-128"), ("127", "127")]),
    ("tinyint unsigned", [("255", "255")]),
    ("smallint", [("-32768", "-32768")]),
    ("smallint unsigned", [("65535", "65535")]),
    ("mediumint", [("-8388608", "-8388608")]),
    ("mediumint unsigned", [("16777215", "16777215")]),
    ("int", [("-2147483648", "-2147483648"), ("2147483647", "2147483647")]),
    ("int unsigned", [("4294967295", "4294967295"), ("2147483648", "2147483648")]),
    ("bigint", [("-9223372036854775808", "-9223372036854775808"), ("9223372036854775807", "9223372036854775807")]),
    ("bigint unsigned", [("18446744073709551615", "18446744073709551615"),
                         ("9223372036854775808", "9223372036854775808")]),
    ("bit(1)", [("1", "1"), ("null", ""), ("1", "1"), ("0", "0")]),
    ("time(6)", [("'838:59:59'", "838:59:59"), ("'-838:59:59'", "-838:59:59"), ("'24:00:00'", "24:00:00"),
                 ("'100:00:00.5'", "100:00:00"), ("'-00:00:01'", "-00:00:01"), ("'-00:00:00.5'", "-00:00:00"),
                 ("'12:34:56.789'", "12:34:56")]),
    ("decimal(65,30)", [("-12345678901234567890123456789012345.123456789012345678901234567891",
                         "-12345678901234567890123456789012345.123456789012345678901234567891")]),
    ("datetime(6)", [("'2024-01-02 03:04:05.123456'", "2024-01-02 03:04:05.123456"),
                     ("'2024-01-02 03:04:05'", "2024-01-02 03:04:05.000")]),
    ("float", [("2.5", "2.500000")]),
    ("double", [("-0.125", "-0.125000")]),
    ("date", [("'2024-01-02'", "2024-01-02")]),
    ("char(5)", [("'ab'", "ab"), ("' a'", " a")]),
    ("varchar(10)", [("'a\\0b'", "a\0b"), ("'c\\0d'", "c\0d")]),
    ("longtext", [("'" + "a" * 4094 + "😀" * 3 + "'", "a" * 4094 + "😀" * 3)]),
    ("longblob", [("x'00000100ff'", "00000100ff")]),
]


class SQLiteDriver:
    values = SQLITE_VALUES
    text_type = "text"
    multi_statements = None  # the driver runs only the first statement
    login_keys = ()
    row_limits = ("limit 1 offset 1", "limit -1 offset 2")
    locking = None
    line_breaks = "'a' || char(10) || 'b' || char(13) || 'c' || char(13, 10) || 'd'"

    def __init__(self, test):
        self.file = test.path("test.db")
        self.connect = e2e.sqlite_connect(self.file)

    def execute(self, sql):
        e2e.sqlite_exec(self.file, sql)


class PostgresDriver:
    values = POSTGRES_VALUES
    text_type = "text"
    multi_statements = ""
    login_keys = ("Uid", "Pwd")
    row_limits = ("limit 1 offset 1", "offset 2", "offset 1 fetch first 1 rows only", "limit all offset 2")
    locking = "for update"
    line_breaks = "'a' || chr(10) || 'b' || chr(13) || 'c' || chr(13) || chr(10) || 'd'"

    def __init__(self, test):
        self.connect = e2e.pg_connect()

    def execute(self, sql):
        e2e.psql(sql)


class MariaDBDriver:
    values = MARIADB_VALUES
    text_type = "longtext"
    multi_statements = ";OPTION=67108864"
    login_keys = ("User", "Password")
    row_limits = ("limit 1 offset 1", "limit 2, 5", "offset 1 rows fetch first 1 rows only")
    locking = "for update"
    line_breaks = "concat('a', char(10), 'b', char(13), 'c', char(13, 10), 'd')"

    def __init__(self, test):
        self.connect = e2e.mariadb_connect()

    def execute(self, sql):
        e2e.mariadb(sql)


class DriverCases:
    """The cases every driver runs; a subclass names the driver."""
    DRIVER = None

    def setUp(self):
        super().setUp()
        self.db = self.DRIVER(self)

    def table(self, columns):
        name = "t_" + uuid.uuid4().hex[:12]
        self.db.execute(f"create table {name} ({columns});")
        return name

    def test_values_are_exact(self):
        for declared, cases in self.db.values:
            with self.subTest(declared):
                name = self.table(f"id integer, c {declared}")
                self.db.execute("".join(f"insert into {name} values ({i}, {literal});\n"
                                        for i, (literal, _) in enumerate(cases)))
                r = run([self.db.connect, f"-s=select c from {name} order by id"])
                expected = "".join(text + "\n" for _, text in cases).encode()
                self.assertRun(r, 0, expected, b"%d record(s) written\n" % len(cases))

    def test_line_breaks_in_a_value_come_back_exactly_through_pythons_csv_module(self):
        name = self.table(f"id integer, v {self.db.text_type}")
        self.db.execute(f"insert into {name} values (1, {self.db.line_breaks}), (2, 'plain');")
        out = self.path("out.csv")
        to_stdout = run([self.db.connect, f"-s=select v from {name} order by id", "-f"])
        to_file = run([self.db.connect, f"-s=select v from {name} order by id", "-f", "-o=" + out])
        with open(out, "rb") as f:
            written = {"standard output": to_stdout.raw_out, "file": f.read()}
        line_end = b"\r\n" if e2e.WINDOWS else b"\n"
        for where, data in written.items():
            with self.subTest(where):
                self.assertTrue(data.startswith(b"v" + line_end) and data.endswith(b"plain" + line_end), data)
                records = list(csv.reader(io.StringIO(data.decode(), newline="")))
                self.assertEqual(records, [["v"], ["a\nb\rc\r\nd"], ["plain"]])

    def test_statement_text_beyond_ascii_reaches_the_driver_as_typed(self):
        r = run([self.db.connect, "-s=select 'é€😀' as v"])
        self.assertRun(r, 0, "é€😀\n".encode(), b"1 record(s) written\n")

    def test_long_text_comes_out_whole(self):
        name = self.table(f"a {self.db.text_type}, b {self.db.text_type}, c integer")
        self.db.execute(f"insert into {name} values ('{'ab' * 50000}', '{'é' * 3000}', 1);")
        r = run([self.db.connect, f"-t={name}"])
        self.assertRun(r, 0, b"ab" * 50000 + b"," + "é".encode() * 3000 + b",1\n", b"1 record(s) written\n")

    def test_control_characters_reach_a_terminal_escaped_and_a_pipe_verbatim(self):
        e2e.skip_on_windows("a pseudo-terminal of Linux is no Windows console")
        args = [self.db.connect, '-s=select * from "\x1b]2;pwned\x07\x1b[2J"']
        piped = run(args)
        self.assertIn(b'\nselect * from "\x1b]2;pwned\x07\x1b[2J"\n- [', piped.err)
        escaped = re.sub(rb"[\x00-\x08\x0b-\x1f\x7f]", lambda m: b"\\x%02x" % m[0][0], piped.err)
        self.assertEqual(e2e.run_on_terminal(args), (1, escaped))

    def test_header_of_an_empty_result_names_its_columns(self):
        r = run([self.db.connect, "-s=select 1 as one, 'x' as two where 1 = 0", "-f"])
        self.assertRun(r, 0, b"one,two\n", b"0 record(s) written\n")

    def test_statement_without_result_set_succeeds(self):
        r = run([self.db.connect, f"-s=create table t_{uuid.uuid4().hex[:12]} (a integer)"])
        self.assertRun(r, 0, b"", b"0 record(s) written\n")

    def test_the_result_after_statements_without_columns_is_exported(self):
        if self.db.multi_statements is None:
            raise unittest.SkipTest("the driver runs one statement at a time")
        # Nothing runs twice: a second create of the table would fail.
        batch = "-s=create temporary table tt (a integer); insert into tt values (5); select * from tt"
        r = run([self.db.connect + self.db.multi_statements, batch, "-f"])
        self.assertRun(r, 0, b"a\n5\n", b"1 record(s) written\n")

    def test_closed_standard_streams_are_never_taken_by_the_connection(self):
        missing = e2e.BANNER + b"Enter value for parameter: \nMissing value for parameter 1.\n\n"
        for script, status, out, err in [
                ('quillet "$1" "-s=select 5 as v" >&-', 1, b"", e2e.BANNER + b"Could not write the output.\n\n"),
                ('echo 5 | quillet "$1" "-s=select ?? as v" 2>&-', 0, b"5\n", b""),
                ('quillet "$1" "-s=select ?? as v" <&-', 1, b"", missing)]:
            with self.subTest(script):
                r = e2e.run_shell(script, self.db.connect, timeout=60)
                self.assertEqual((r.status, r.out, r.err), (status, out, err))

    def test_a_second_result_is_never_dropped_silently(self):
        if self.db.multi_statements is None:
            raise unittest.SkipTest("the driver runs one statement at a time")
        r = run([self.db.connect + self.db.multi_statements, "-s=select 1 as a; select 'x' as b", "-f"])
        self.assertRun(r, 1, b"a\n1\n", b"1 record(s) written\n"
                       b"- The statement returned more than one result; only the first was written.\n"
                       b"Could not read all records.\n\n")

    def abc_table(self):
        name = self.table("id integer, v varchar(5)")
        self.db.execute(f"insert into {name} values (1, 'a'), (2, 'b'), (3, 'c');")
        return name

    def test_a_limit_on_a_one_table_select_keeps_its_rows(self):
        name = self.abc_table()
        for limit, expected in zip(self.db.row_limits, [b"2,b\n", b"3,c\n", b"2,b\n", b"3,c\n"]):
            with self.subTest(limit):
                r = run([self.db.connect, f"-s=select * from {name} {limit}"])
                self.assertRun(r, 0, expected, b"1 record(s) written\n")

    def test_a_view_exports_like_its_table(self):
        name = self.abc_table()
        self.db.execute(f"create view {name}_v as select id, v from {name} where id > 1;")
        for args in ([f"-t={name}_v"], [f"-s=select * from {name}_v"]):
            with self.subTest(args[0]):
                self.assertRun(run([self.db.connect, "-f"] + args), 0, b"id,v\n2,b\n3,c\n", b"2 record(s) written\n")

    def test_a_locking_select_exports_its_rows(self):
        if self.db.locking is None:
            raise unittest.SkipTest("the database has no row locks")
        r = run([self.db.connect, f"-s=select id from {self.abc_table()} {self.db.locking}"])
        self.assertRun(r, 0, b"1\n2\n3\n", b"3 record(s) written\n")

    def test_a_second_result_after_a_table_is_reported(self):
        if self.db.multi_statements is None:
            raise unittest.SkipTest("the driver runs one statement at a time")
        name = self.abc_table()
        r = run([self.db.connect + self.db.multi_statements, f"-s=select v from {name} where id < 3; select 5 as b"])
        self.assertRun(r, 1, b"a\nb\n", b"2 record(s) written\n"
                       b"- The statement returned more than one result; only the first was written.\n"
                       b"Could not read all records.\n\n")

class ServerCases(DriverCases):
    """Cases of a driver that reaches a server over the network."""

    def with_settings(self, **settings):
        keys = [key.lower() + "=" for key in settings]
        parts = [p for p in self.db.connect.split(";") if p and not any(p.lower().startswith(k) for k in keys)]
        return ";".join(parts + [f"{key}={value}" for key, value in settings.items()])

    def test_failed_login_never_shows_the_password(self):
        user, password = self.db.login_keys
        # The second misses a ";": the password is part of the database's name, which the server quotes.
        for settings in ({user: "nobody", password: "very-secret-word"},
                         {"Database": "db " + password + "=very-secret-word"}):
            r = run([self.with_settings(**settings), "-t=x"], timeout=60)
            self.assertEqual(r.status, 1, r)
            self.assertTrue(r.messages.startswith(b"- ["), r)
            self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)
            self.assertNotIn(b"very-secret-word", r.err)

    def test_nothing_listening_fails_fast_with_the_drivers_diagnostics(self):
        r = run([self.with_settings(Port=1), "-t=x"], timeout=30)
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.startswith(b"- ["), r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)


class SQLite(DriverCases, e2e.TempDirTestCase):
    DRIVER = SQLiteDriver


class PostgreSQL(ServerCases, e2e.TempDirTestCase):
    DRIVER = PostgresDriver

    def test_failing_fetch_keeps_the_rows_before_it_and_fails(self):
        r = run([self.db.connect + ";UseDeclareFetch=1;Fetch=100",
                 "-s=select case when x = 500 then 1/(x-500) else x end as v from generate_series(1,1000) x"])
        self.assertEqual(r.status, 1, r)
        self.assertEqual(r.out, b"".join(b"%d\n" % x for x in range(1, 401)))
        self.assertTrue(r.messages.startswith(b"400 record(s) written\n- [22012] "), r)
        self.assertTrue(r.messages.endswith(b"\nCould not read all records.\n\n"), r)

    def test_a_partitioned_table_exports_with_a_limit(self):
        name = "p_" + uuid.uuid4().hex[:12]
        self.db.execute(f"create table {name} (id integer) partition by range (id); "
                        f"create table {name}_1 partition of {name} for values from (0) to (10); "
                        f"insert into {name} values (1), (2);")
        self.assertRun(run([self.db.connect, f"-s=select * from {name} limit 1"]), 0, b"1\n",
                       b"1 record(s) written\n")

    def test_round_trip_through_copy_gives_the_same_rows(self):
        mixed = """(i integer, b bigint, s smallint, n numeric(22,4), v varchar(10), t text,
                    d date, ts timestamp, f boolean)"""
        name = self.table(mixed[1:-1])
        self.db.execute(f"""create table {name}_copy {mixed}; insert into {name} values
            (1, 5000000000, -3, 123456789012345678.1234, 'ääääääääää', 'a,b "c"' || chr(10) || 'd',
             '2026-12-07', '2026-12-07 01:02:03.05', true),
            (-2147483648, -5000000000, 32767, -0.0001, 'x', '  blanks  ', '0001-01-01',
             '1999-12-31 23:59:59.123456', false),
            (null, null, null, null, null, null, null, null, null),
            (7, 9223372036854775807, -32768, 2.5, '€uro', 'cr' || chr(13) || chr(10) || 'lf ' || chr(34),
             '2400-02-29', '2026-01-01 00:00:00', null);""")
        out = self.path("mixed.csv")
        r = run([self.db.connect, f"-t={name}", "-f", "-o=" + out])
        self.assertRun(r, 0, b"", b"4 record(s) written\n")
        e2e.psql(f"\\copy {name}_copy from '{out}' csv header")
        differ = e2e.psql(f"select count(*) from ((select * from {name} except all select * from {name}_copy) "
                          f"union all (select * from {name}_copy except all select * from {name})) d")
        self.assertEqual(differ.strip(), b"0")


class MariaDB(ServerCases, e2e.TempDirTestCase):
    DRIVER = MariaDBDriver

    def test_procedure_result_is_exported(self):
        name = "p_" + uuid.uuid4().hex[:12]
        self.db.execute(f"create procedure {name}() select 1 as a, 'x' as b union all select 2, 'y';")
        r = run([self.db.connect, f"-s=call {name}()", "-f"])
        self.assertRun(r, 0, b"a,b\n1,x\n2,y\n", b"2 record(s) written\n")


if __name__ == "__main__":
    e2e.main()
