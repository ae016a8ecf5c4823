"""Quirks of drivers not installed here, played by the scripted test driver
(tests/driver/ScriptedDriver.cpp; its script layout is in DriverScript.h)."""
import os
import struct
import unittest
import quillet_e2e as e2e
from quillet_e2e import run

VARCHAR, LONGVARCHAR, VARBINARY, INTEGER = 1, 2, 7, 9  # indexes of SQL_TYPES
SIZE_0, SIZE_10, SIZE_2G, SIZE_4G, SIZE_2_32 = 0, 3, 8, 10, 11  # indexes of COLUMN_SIZES
EXACT, NO_TOTAL, NULL, LOW_32 = 0, 1, 2, 8
WITH_INFO_EVERYWHERE, ANY_ORDER, REFUSES_ROWSETS = 2, 1, 4
CALL_EXECUTE, CALL_COL_ATTRIBUTE, ERROR = 4, 7, 2


def column(sql_type, size, name, unsigned=0):
    return bytes([sql_type, size, 0, 1, unsigned, len(name)]) + name


def cell(value, mode=EXACT, piece=0):
    if len(value) < 200:
        return bytes([mode, piece, len(value)]) + value
    return bytes([mode, piece, 199 + len(value) // 300, value[0]])  # one byte repeated


def script(columns, rows, flags=ANY_ORDER, faults=b"", diagnostic=b"", records=0):
    head = bytes([flags, len(faults) // 3]) + faults + struct.pack("<H", len(diagnostic)) + diagnostic
    return head + bytes([records, 1, len(columns)]) + b"".join(columns) + bytes([len(rows)]) + b"".join(
        b"".join(row) for row in rows)


LONG = b"y" * 5100
TEXT_AND_NUMBER = [column(VARCHAR, SIZE_10, b"t"), column(INTEGER, SIZE_0, b"n", unsigned=1)]
DIAGNOSTIC = b"%s%n\xff\xfe %d " * 30
CASES = [
    # DB2's 64-bit driver writes the low 32 bits of each length and NULL mark.
    ("low 32 bits", script(TEXT_AND_NUMBER, [[cell(b"abc", LOW_32), cell(struct.pack("<q", 7), LOW_32)],
                                             [cell(b"", NULL | LOW_32), cell(b"", NULL | LOW_32)],
                                             [cell(LONG, LOW_32, piece=100), cell(b"\xff" * 8, LOW_32)]]),
     0, b"abc,7\n,\n" + LONG + b",18446744073709551615\n", b"3 record(s) written\n"),
    # SQL Server describes varchar(max) with size 0.
    ("size 0", script([column(VARCHAR, SIZE_0, b"v")], [[cell(LONG)], [cell(b"")]]),
     0, LONG + b"\n\n", b"2 record(s) written\n"),
    # MySQL's JSON and Firebird's blobs declare 2 to 4 GiB a value.
    ("gigabytes", script([column(LONGVARCHAR, SIZE_2G, b"a"), column(VARBINARY, SIZE_4G, b"b"),
                          column(LONGVARCHAR, SIZE_2_32, b"c")], [[cell(b"j"), cell(b"\x01\xfe"), cell(LONG)]]),
     0, b"j,01fe," + LONG + b"\n", b"1 record(s) written\n"),
    ("no sign told", script(TEXT_AND_NUMBER, [[cell(b"s"), cell(b"\xff" * 8)]],
                            faults=bytes([CALL_COL_ATTRIBUTE, 0, ERROR])),
     0, b"s,18446744073709551615\n", b"1 record(s) written\n"),
    ("rowsets of 1 only", script(TEXT_AND_NUMBER, [[cell(b"r"), cell(b"\x02")]], flags=REFUSES_ROWSETS),
     0, b"r,2\n", b"1 record(s) written\n"),
    ("information everywhere", script(TEXT_AND_NUMBER + [column(VARBINARY, SIZE_0, b"b")],
                                      [[cell(LONG, piece=7), cell(b"\x03"), cell(b"\x00\x10")],
                                       [cell(b"a\x00b"), cell(b"", NULL), cell(b"")]],
                                      flags=WITH_INFO_EVERYWHERE),
     0, LONG + b",3,0010\na\x00b,,\n", b"2 record(s) written\n"),
    # A long message is cut to its first 255 bytes, taken as they are.
    ("long odd diagnostic", script(TEXT_AND_NUMBER, [], faults=bytes([CALL_EXECUTE, 0, ERROR]),
                                   diagnostic=DIAGNOSTIC, records=2),
     1, b"", b"select 1\n- [%s%n\xff] -" + str(len(DIAGNOSTIC)).encode() + b" - " + DIAGNOSTIC[:255]
     + b"\nCould not open the recordset.\n\n"),
]


class ScriptedDriver(e2e.TempDirTestCase):
    def test_driver_quirks(self):
        driver = os.environ.get("QUILLET_SCRIPTED_DRIVER")
        if not driver:
            raise unittest.SkipTest("QUILLET_SCRIPTED_DRIVER is not set (run under ctest on Linux)")
        for name, data, status, out, messages in CASES:
            with self.subTest(name):
                path = self.write_file("script", data)
                r = run(["Driver=%s;Script=%s" % (driver, path), "-s=select 1"])
                self.assertRun(r, status, out, messages)


if __name__ == "__main__":
    e2e.main()
