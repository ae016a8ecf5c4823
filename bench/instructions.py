"""Counts the instructions quillet and the ODBC floor execute per row of the
benchmark table on each driver, under valgrind's callgrind: quillet's own
cost in a figure that load from elsewhere on the machine does not move, as it
moves the CPU times of bench/run.sh.

Run through bench/instructions.sh, which builds the programs and starts the
private PostgreSQL and MariaDB servers. The tables are those of bench/run.sh.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchmark  # noqa: E402


def instructions(argv, work):
    """The instructions one run of a program executes, connecting and exiting included."""
    out = os.path.join(work, "callgrind.out")
    result = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"] + argv,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    found = re.search(r"refs:\s+([\d,]+)", result.stderr)
    if result.returncode != 0 or not found:
        sys.exit(f"{os.path.basename(argv[0])} failed under valgrind:\n{result.stderr[-2000:]}")
    return int(found.group(1).replace(",", ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("rows", nargs="?", type=int, default=100_000, help="table size (default %(default)s)")
    parser.add_argument("--drivers", default=",".join(benchmark.DRIVERS))
    parser.add_argument("--build", default=os.path.join(benchmark.ROOT, "build-bench"))
    args = parser.parse_args()
    quillet, floor = os.path.join(args.build, "quillet"), os.path.join(args.build, "bench_OdbcFloor")
    work = tempfile.mkdtemp(prefix="quillet-instructions-")
    try:
        databases = benchmark.databases_for(args.drivers.split(","), os.path.join(work, "data"))
        lines = []
        for driver, database in databases.items():
            table = database.table(args.rows)
            own = instructions([quillet, table.connect, f"-s={table.statement}", "-o=/dev/null", "-f"], work)
            bare = instructions([floor, table.connect, table.statement], work)
            lines.append(f"| {benchmark.DRIVER_LABELS[driver]} | {args.rows:,} | {bare / args.rows:,.0f} "
                         f"| {own / args.rows:,.0f} | {(own - bare) / args.rows:,.0f} | {own / bare:.3f} |")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("\n| driver | rows | ODBC floor instructions per row | quillet -o=/dev/null | own | quillet / floor |")
    print("|---|---:|---:|---:|---:|---:|")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
