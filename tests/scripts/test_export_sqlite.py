"""End-to-end export runs against SQLite through its ODBC driver."""
import os
import re
import sqlite3
import subprocess
import quillet_e2e as e2e
from quillet_e2e import run, sqlite_connect, sqlite_exec

SCHEMA = """
CREATE TABLE t (id INTEGER, name VARCHAR(40), flag BIT, amount DOUBLE);
INSERT INTO t VALUES (1, 'plain', 1, 2.5);
INSERT INTO t VALUES (-5, 'a,b', 0, -0.125);
INSERT INTO t VALUES (3, 'say "hi"', NULL, NULL);
INSERT INTO t VALUES (NULL, NULL, 1, 1e20);
CREATE TABLE empty (a INTEGER, b VARCHAR(10));
CREATE TABLE kv (k INTEGER, v VARCHAR(20));
INSERT INTO kv VALUES (1, 'x'), (2, 'y'), (3, 'z');
"""

# Texts in TIME, DATE and TIMESTAMP columns: what SQLite's date functions read
# unchanged comes out as that kind's value, the rest as stored.
DATE_TIME_TEXTS = [
    "123:45", "5:30", "-12:30", "24:00", "24:00:00", "23:59:59", "23:59:59.9999", "00:00", "12:30:60", "12:60",
    "12:34:56.789", "12:34:56.1234567890", "12:34:56.", "10:00.5", " 12:30", "12:30 ", "12:34Z", "1:2:3",
    "2024-01-05 10:00.5", "2024-02-30 00:00:00", "2024-02-29 12:00", "2023-02-29", "1900-02-29", "2000-02-29",
    "2024-04-31", "2024-01-02T03:04:05.5", "2024-01-02t03:04", "2024-01-02  03:04", "2024-01-02 ", "2024-01-02T",
    " 2024-01-02", "2024-01-02 24:00", "2024-12-31 23:59:59.999999999", "2024-01-02 03:04:05Z", "2024-1-5",
    "2024-01-02 03:04:05+02:00", "-0001-01-01", "-0000-01-01", "0000-02-29", "0300-03-01", "-4713-11-24 12:00",
    "-4713-11-24 11:59", "9999-12-31 23:59:59", "now", "2460000.5", "2024-01-02 03:04:05.5 ",
]
# Clean shapes by kind: the function reading them and the lengths of its text (past a
# year's sign) they may have.
DATE_TIME_SHAPES = {"t": ("time", (8, 5)), "d": ("date", (10,)), "s": ("datetime", (19, 16, 10))}


def date_time_text(column, text):
    """SQLite's reading of text through its day count when it keeps every field of text; SQLite
    computes with milliseconds, so the fraction is read apart and kept with all its digits."""
    function, lengths = DATE_TIME_SHAPES[column]
    base, point, fraction = text.partition(".")
    read = lambda t: sqlite3.connect(":memory:").execute(f"select {function}(?, '+0 days')", (t,)).fetchone()[0]
    reading = read(base)
    if read(text) is None or reading is None or point and not re.fullmatch(r"\d{1,9}", fraction) or \
            base.replace("T", " ", 1) not in (reading[:n + reading.startswith("-")] for n in lengths):
        return text
    return reading + ("." + fraction.ljust(9, "0").rstrip("0").ljust(3, "0") if column == "s" else "")


ROWS = (b'1,plain,1,2.500000\n'
        b'-5,"a,b",0,-0.125000\n'
        b'3,"say ""hi""",,\n'
        b',,1,100000000000000000000.000000\n')


class ExportSqlite(e2e.TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.db = self.path("test.db")
        sqlite_exec(self.db, SCHEMA)
        self.conn = sqlite_connect(self.db)

    def test_table_export_writes_every_row_to_standard_output(self):
        r = run([self.conn, "-t=t"])
        self.assertRun(r, 0, ROWS, b"4 record(s) written\n")

    def test_header_line_names_the_columns(self):
        r = run([self.conn, "-t=t", "-f"])
        self.assertRun(r, 0, b"id,name,flag,amount\n" + ROWS, b"4 record(s) written\n")

    def test_select_wins_over_table(self):
        r = run([self.conn, "-t=t", "-s=select v from kv where k = 2"])
        self.assertRun(r, 0, b"y\n", b"1 record(s) written\n")

    def test_output_file_receives_the_csv(self):
        r = run([self.conn, "-t=kv", "-o=" + self.path("out.csv"), "-f"])
        self.assertRun(r, 0, b"", b"3 record(s) written\n")
        self.assertEqual(self.read_output("out.csv"), b"k,v\n1,x\n2,y\n3,z\n")

    def test_parameters_from_a_file(self):
        params = self.write_file("p.txt", b"1\r\nz\n")
        r = run([self.conn, "-s=select v from kv where k = ?? or v = '??' order by k", "-i=" + params])
        self.assertRun(r, 0, b"x\nz\n", b"2 record(s) written\n")

    def test_byte_order_mark_starting_the_parameters_is_dropped(self):
        params = self.write_file("p.txt", b"\xef\xbb\xbfy\n")
        for args, stdin in ((["-i=" + params], b""), ([], b"\xef\xbb\xbfy\n")):
            r = run([self.conn, "-s=select k from kv where v = '??'"] + args, stdin=stdin)
            self.assertEqual((r.status, r.out), (0, b"2\n"), r)

    def test_parameters_from_the_console_are_prompted(self):
        r = run([self.conn, "-s=select v from kv where k = ?? or k = ??"], stdin=b"1\n3\n")
        self.assertRun(r, 0, b"x\nz\n",
                       b"Enter value for parameter: \n" * 2 + b"2 record(s) written\n")

    def test_value_holding_the_identifier_is_inserted_unchanged(self):
        params = self.write_file("p.txt", b"a??b\n")
        r = run([self.conn, "-s=select '??' as v", "-i=" + params])
        self.assertRun(r, 0, b"a??b\n", b"1 record(s) written\n")

    def test_three_question_marks_take_one_value(self):
        params = self.write_file("p.txt", b"7\n")
        r = run([self.conn, "-s=select '???' as v", "-i=" + params])
        self.assertRun(r, 0, b"7?\n", b"1 record(s) written\n")

    def test_own_identifier_and_empty_identifier(self):
        params = self.write_file("p.txt", b"2\n")
        r = run([self.conn, "-s=select v from kv where k = :k", "-p=:k", "-i=" + params])
        self.assertRun(r, 0, b"y\n", b"1 record(s) written\n")
        r = run([self.conn, "-s=select '??' as v", "-p="], stdin=None)
        self.assertRun(r, 0, b"??\n", b"1 record(s) written\n")

    def test_missing_parameter_value_ends_the_run_before_the_query(self):
        params = self.write_file("p.txt", b"1\n")
        out = self.path("out.csv")
        r = run([self.conn, "-s=select v from kv where k = ?? or k = ??", "-i=" + params, "-o=" + out])
        self.assertRun(r, 1, b"", b"Missing value for parameter 2.\n\n")
        self.assertEqual(self.read_output("out.csv"), b"")

    def test_output_file_that_is_the_parameter_file_is_refused_untouched(self):
        params = self.write_file("p.txt", b"3\n")
        os.symlink(params, self.path("symlink.txt"))
        os.link(params, self.path("hardlink.txt"))
        statement = "-s=select v from kv where k = ??"
        # Windows names a file in any letter case.
        other_case = (self.dir + "/P.TXT",) if e2e.WINDOWS else ()
        for out in (params, self.dir + "/./p.txt", self.path("symlink.txt"), self.path("hardlink.txt")) + other_case:
            runs = [run([self.conn, statement, "-i=" + params, "-o=" + out])]
            if not e2e.WINDOWS:  # under wine, standard input from a Linux file tells no file index
                runs.append(e2e.run_shell('quillet "$1" "$2" -o="$3" < "$4"', self.conn, statement, out, params))
            for r in runs:
                self.assertRun(r, 1, b"", b"- The output file is the parameter file.\n"
                               b"Could not create output file '%s'.\n\n" % out.encode())
                with open(params, "rb") as f:
                    self.assertEqual(f.read(), b"3\n")
        # Standard input that the statement never reads may be the output.
        r = e2e.run_shell('quillet "$1" -s="select 1 as n" -o="$2" < "$2"', self.conn, params)
        self.assertRun(r, 0, b"", b"1 record(s) written\n")

    def test_long_parameter_line_is_one_value(self):
        value = b"q" * 20000
        params = self.write_file("p.txt", value + b"\n")
        r = run([self.conn, "-s=select length('??') as n", "-i=" + params])
        self.assertRun(r, 0, b"20000\n", b"1 record(s) written\n")

    def test_parameter_file_without_final_line_end_and_with_nul(self):
        params = self.write_file("p.txt", b"1\n3")
        r = run([self.conn, "-s=select v from kv where k in (??, ??)", "-i=" + params])
        self.assertRun(r, 0, b"x\nz\n", b"2 record(s) written\n")
        params = self.write_file("nul-byte.txt", b"1\x002\n")
        r = run([self.conn, "-s=select v from kv where k = ??", "-i=" + params])
        self.assertRun(r, 1, b"", b"The value for parameter 1 holds a NUL byte.\n\n")

    def test_result_without_rows(self):
        r = run([self.conn, "-t=empty"])
        self.assertRun(r, 0, b"", b"0 record(s) written\n")
        r = run([self.conn, "-t=empty", "-f"])
        self.assertRun(r, 0, b"a,b\n", b"0 record(s) written\n")

    def test_columns_sharing_a_name_are_all_exported(self):
        r = run([self.conn, "-s=select 1 as a, 2 as a, 3 as a_2, 4 as a", "-f"])
        self.assertRun(r, 0, b"a,a_3,a_2,a_4\n1,2,3,4\n", b"1 record(s) written\n")

    def test_failed_connection_leaves_an_empty_output_file(self):
        out = self.path("out.csv")
        r = run(["Driver=NoSuchDriver", "-t=t", "-o=" + out])
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.startswith(b"- ["), r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)
        self.assertEqual(self.read_output("out.csv"), b"")

    def test_empty_select_without_table_fails_at_the_record_set(self):
        r = run([self.conn, "-s="])
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.startswith(b"select * from \n- ["), r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the recordset.\n\n"), r)

    def test_syntax_error_reports_statement_as_typed_and_diagnostics(self):
        for statement in (b"selec nonsense", b"selec\r\nnonsense", b"selec\nnon\rsense"):
            r = run([self.conn, b"-s=" + statement])
            self.assertEqual(r.status, 1, r)
            self.assertTrue(r.messages.startswith(e2e.lf_lines(statement) + b"\n- ["), r)
            self.assertTrue(r.messages.endswith(b"\nCould not open the recordset.\n\n"), r)

    def test_values_typed_at_a_console_and_messages_shown_there_are_utf8(self):
        for statement, status, out, shown in (
                ("select '??' as v", 0, "é€\n", "1 record(s) written"),
                ("select 'ü??' from nowhere", 1, "", "select 'üé€' from nowhere")):
            r = e2e.run_console([self.conn, "-s=" + statement], "é€".encode(), shown.encode())
            self.assertEqual(r[:2], (status, out.encode()), r)
            self.assertIn(shown.encode(), r[2], r)

    def test_files_that_cannot_be_opened(self):
        r = run([self.conn, "-t=t", "-i=" + self.path("missing.txt"), "-o=" + self.path("out.csv")])
        self.assertRun(r, 1, b"", f"Could not open input file '{self.path('missing.txt')}'.\n\n".encode())
        self.assertFalse(os.path.exists(self.path("out.csv")))
        r = run([self.conn, "-t=t", "-i=" + self.dir])
        self.assertRun(r, 1, b"", f"Could not open input file '{self.dir}'.\n\n".encode())
        r = run([self.conn, "-t=t", "-o=" + self.dir])
        self.assertRun(r, 1, b"", f"Could not create output file '{self.dir}'.\n\n".encode())
        r = run([self.conn, "-t=t", "-o="])
        self.assertRun(r, 1, b"", b"Could not create output file ''.\n\n")

    def test_write_errors_are_reported(self):
        r = run([self.conn, "-t=t", "-o=/dev/full"])
        self.assertRun(r, 1, b"", b"Could not write output file '/dev/full'.\n\n")
        with open("/dev/full", "wb") as full:
            r = run([self.conn, "-t=t"], stdout=full)
        self.assertRun(r, 1, None, b"Could not write the output.\n\n")

    def test_output_file_cut_short_is_left_empty(self):
        out = self.path("out.csv")
        r = e2e.run_shell('trap "" XFSZ; ulimit -f 64; quillet "$1" "$2" "-o=$3"', self.conn,
                          "-s=with recursive n(i) as (select 1 union all select i + 1 from n where i < 100000) "
                          "select i from n", out)
        self.assertRun(r, 1, b"", f"Could not write output file '{out}'.\n\n".encode())
        self.assertEqual(os.path.getsize(out), 0)

    def test_closed_standard_output_is_a_write_error(self):
        r = e2e.run_shell('quillet "$1" -t=t >&-', self.conn)
        self.assertRun(r, 1, b"", b"Could not write the output.\n\n")

    def test_round_trip_through_sqlite_import_gives_the_same_rows(self):
        mixed = ("(i INTEGER, b BIGINT, x DOUBLE, v VARCHAR(10), t TEXT, d DATE)")
        sqlite_exec(self.db, f"""
            CREATE TABLE mixed {mixed};
            CREATE TABLE mixed_copy {mixed};
            INSERT INTO mixed VALUES
                (1, 5000000000, 2.5, 'ääääääääää', 'a,b "c"' || char(10) || 'd', '2026-12-07'),
                (-2147483648, -5000000000, -0.125, 'sixteen chars ok', '  blanks  ', '0001-01-01'),
                (7, 9223372036854775807, 1e15, '€', 'cr' || char(13, 10) || 'lf "', '2400-02-29');""")
        out = self.path("mixed.csv")
        r = run([self.conn, "-t=mixed", "-f", "-o=" + out])
        self.assertRun(r, 0, b"", b"3 record(s) written\n")
        sqlite_exec(self.db, f".import --csv --skip 1 {out} mixed_copy\n")
        differ = subprocess.run(
            ["sqlite3", self.db,
             "SELECT (SELECT count(*) FROM mixed_copy),"
             " (SELECT count(*) FROM (SELECT * FROM mixed EXCEPT SELECT * FROM mixed_copy)),"
             " (SELECT count(*) FROM (SELECT * FROM mixed_copy EXCEPT SELECT * FROM mixed))"],
            stdout=subprocess.PIPE, check=True).stdout
        self.assertEqual(differ.strip(), b"3|0|0")

    def test_dates_and_times_come_out_as_that_kind_only_when_sqlite_reads_them_unchanged(self):
        with sqlite3.connect(self.db) as db:
            db.execute("create table tm (t time, d date, s timestamp)")
            db.executemany("insert into tm values (?, ?, ?)", [(x, x, x) for x in DATE_TIME_TEXTS])
        r = run([self.conn, "-s=select t, d, s from tm order by rowid"])
        expected = "".join(",".join(date_time_text(c, x) for c in "tds") + "\n" for x in DATE_TIME_TEXTS)
        self.assertRun(r, 0, expected.encode(), b"%d record(s) written\n" % len(DATE_TIME_TEXTS))

    def test_bytes_that_are_not_utf8_pass_through(self):
        r = run([self.conn, "-s=select cast(x'ff41fe0a22' as text) as v"])
        self.assertRun(r, 0, b'"\xffA\xfe\n"""\n', b"1 record(s) written\n")


if __name__ == "__main__":
    e2e.main()
