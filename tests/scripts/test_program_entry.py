"""The program's entry: banner, command-line report, usage text and exit status."""
import os
import shutil
import quillet_e2e as e2e
from quillet_e2e import BANNER, run

USAGE = (b"\nUsage:\n"
         b"<connect> [-t=<string>] [-s=<string>] [-f] [-o=<string>] [-p=<string>] [-i=<string>] [-?] \n"
         b"\n"
         b"Quillet \"DSN=MyDatabase;UID=MyUser\" -t=MyTable\n"
         b"Quillet \"DSN=MyDatabase;UID=MyUser\" -d=MyDatabase -t=MyTable\n"
         b"Quillet \"DSN=MyDatabase;UID=MyUser\" -s=\"select * from MyTable\" -f\n"
         b"\n"
         b"connect  connection string\n"
         b"-t       table name to output\n"
         b"-s       select statement (by default all records will be printed)\n"
         b"-f       output fields name\n"
         b"-o       output filename\n"
         b"-p       parameter identifier (default is ??)\n"
         b"-i       input file for parameters (one parameter per row)\n"
         b"-?       help\n")

# A driver no driver manager knows, so a run that starts fails at once.
CONNECT = "Driver=No Such Quillet Driver"


class ProgramEntry(e2e.TempDirTestCase):
    def test_no_arguments_report_the_missing_connection_string(self):
        r = run([])
        self.assertEqual((r.status, r.out, r.err),
                         (2, b"", BANNER + b"Missing required argument: connect\n\n" + USAGE))

    def test_help_prints_only_the_usage_and_succeeds(self):
        for help_option in ("-?", "/?"):
            r = run([CONNECT, "-t=MyTable", help_option])
            self.assertEqual((r.status, r.out, r.err), (0, b"", BANNER + USAGE), help_option)

    def test_help_alone_still_reports_the_missing_connection_but_succeeds(self):
        r = run(["-?"])
        self.assertEqual((r.status, r.err), (0, BANNER + b"Missing required argument: connect\n\n" + USAGE))

    def test_connection_without_table_or_statement_shows_the_usage(self):
        r = e2e.run_shell('quillet "$1" -f <&- >&-', CONNECT)
        self.assertEqual((r.status, r.err), (2, BANNER + USAGE))

    def test_rejected_element_is_printed_verbatim_not_as_a_format(self):
        r = run([CONNECT, "-d=%s%n%d%%"])
        self.assertEqual((r.status, r.err), (2, BANNER + b"Invalid argument: -d=%s%n%d%%\n\n" + USAGE))

    def test_rejected_connection_string_hides_its_password(self):
        r = run(["", "Driver=x;PWD=very-secret", "-t=t"])
        self.assertEqual((r.status, r.err), (2, BANNER + b"Invalid argument: Driver=x;PWD=***\n\n" + USAGE))
        # A password typed apart from its connection string, after or before it.
        for args, shown in ((["Driver=x;PWD=very-secret", "-t=t", "very-secret"], b"***"),
                            (["-x=very-secret", "Driver=x;PWD=very-secret"], b"-x=***")):
            r = run(args)
            self.assertEqual((r.status, r.err), (2, BANNER + b"Invalid argument: " + shown + b"\n\n" + USAGE))

    def test_table_or_statement_even_empty_starts_the_export(self):
        for args in (["-t=MyTable"], ["-s="], ["-s=select 1", "-T=x"]):
            r = run([CONNECT] + args)
            self.assertEqual(r.status, 1, r)
            self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)

    def test_arguments_arrive_as_typed_also_where_the_utf8_code_page_is_ignored(self):
        program = None
        if e2e.WINDOWS:  # a copy whose manifest asks for no code page, as Windows before 1903 reads it
            with open(e2e.QUILLET, "rb") as f:
                image = f.read()
            self.assertEqual(image.count(b">UTF-8</activeCodePage>"), 1)
            program = self.write_file("quillet.exe", image.replace(b">UTF-8<", b">ANSI!<"))
        r = run([CONNECT, "-d=＂é€ -t=x＂"], program=program)
        self.assertEqual((r.status, r.err), (2, BANNER + "Invalid argument: -d=＂é€ -t=x＂\n\n".encode() + USAGE))

    def test_an_odbc32_dll_beside_the_program_is_not_loaded(self):
        if not e2e.WINDOWS:
            self.skipTest("Linux: no library is looked for beside the program")
        program = shutil.copy(e2e.QUILLET, self.dir)
        shutil.copy(os.environ["QUILLET_PLANTED_ODBC"], self.path("odbc32.dll"))
        native_first = os.environ.get("WINEDLLOVERRIDES", "") + ";odbc32=n,b"
        r = run([CONNECT, "-t=x"], program=program, env=dict(os.environ, WINEDLLOVERRIDES=native_first))
        self.assertEqual(r.status, 1, r)
        self.assertTrue(r.messages.endswith(b"\nCould not open the database.\n\n"), r)


if __name__ == "__main__":
    e2e.main()
