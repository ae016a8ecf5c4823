"""Measures quillet against the tools a user would pick instead, on the same
table in SQLite and PostgreSQL, and checks the performance targets.

Run through bench/run.sh, which builds the programs and starts the private
PostgreSQL server whose QUILLET_PG_* variables this script reads. Each tool
exports the whole table to a file; the runs alternate between the tools, and
every run's wall time, CPU time (user + system) and peak resident memory are
taken from the kernel's accounting of the child process (wait4, and GNU
time for the peak).
"""
import argparse
import datetime
import os
import platform
import shutil
import signal
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA_DIR = os.path.join(ROOT, "bench", "data")
RESULTS = os.path.join(ROOT, "bench", "RESULTS.md")
DEFAULT_SIZES = [100_000, 1_000_000, 3_000_000]
TARGET_SIZE = 1_000_000
RUN_TIMEOUT_S = 3600
# Bump when the generated rows change, so that cached databases are rebuilt.
DATA_VERSION = 1

# The same rows in both databases: one row in ten holds a note with a comma
# and double quotes, which every CSV writer must quote.
SQLITE_TABLE = """
create table bench(id integer primary key, name varchar(40), amount double, qty integer,
                   note text, created timestamp, day date);
insert into bench
with recursive n(i) as (select 1 union all select i + 1 from n where i < {rows})
select i, printf('customer-%08d', i), i * 1.37 + 0.25, (i::bigint * 7919) % 1000,
       case when i % 10 = 0 then 'Note ' || i || ', with a comma and a "quoted" word'
            else 'Plain note for row ' || i end,
       datetime(1577836800 + i * 61, 'unixepoch'),
       date(1577836800 + (i % 3650) * 86400, 'unixepoch')
from n;
"""

POSTGRES_TABLE = """
set client_min_messages = warning;
drop table if exists {table};
create table {table}(id integer primary key, name varchar(40), amount double precision,
                     qty integer, note text, created timestamp, day date);
insert into {table}
select i, 'customer-' || lpad(i::text, 8, '0'), i * 1.37 + 0.25, (i::bigint * 7919) % 1000,
       case when i % 10 = 0 then 'Note ' || i || ', with a comma and a "quoted" word'
            else 'Plain note for row ' || i end,
       timestamp '2020-01-01' + i * interval '61 seconds',
       date '2020-01-01' + (i % 3650)
from generate_series(1, {rows}) i;
vacuum analyze {table};
"""


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("rows", nargs="*", type=int, default=DEFAULT_SIZES,
                        help="table sizes in rows (default: %(default)s)")
    parser.add_argument("--runs", type=int, default=3, help="measured runs per tool (default 3)")
    parser.add_argument("--drivers", default="sqlite,postgresql",
                        help="comma-separated subset of sqlite,postgresql")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-bench"),
                        help="build folder holding quillet and bench_OdbcFloor")
    parser.add_argument("--out-dir", default=None,
                        help="where the exported files go (default: a folder in /dev/shm, "
                             "so that disk write-back adds no noise)")
    parser.add_argument("--results", default=RESULTS, help="the Markdown report to write")
    args = parser.parse_args()
    args.rows = sorted(set(args.rows))
    args.drivers = [d for d in args.drivers.split(",") if d]
    unknown = set(args.drivers) - {"sqlite", "postgresql"}
    if unknown or args.runs < 1 or min(args.rows) < 1:
        parser.error("drivers are sqlite and postgresql; runs and rows are positive")
    return args


# ---------------------------------------------------------------- the data

def sqlite_database(rows):
    """Returns the cached SQLite file of the benchmark table, creating it when missing."""
    path = os.path.join(DATA_DIR, f"bench-v{DATA_VERSION}-{rows}.db")
    if os.path.exists(path):
        warm_page_cache(path)
        return path
    os.makedirs(DATA_DIR, exist_ok=True)
    print(f"Generating the SQLite table of {rows:,} rows", flush=True)
    partial = path + ".partial"
    if os.path.exists(partial):
        os.remove(partial)
    connection = sqlite3.connect(partial)
    connection.executescript(SQLITE_TABLE.format(rows=rows))
    connection.commit()
    connection.close()
    os.replace(partial, path)
    return path


def warm_page_cache(path):
    """Reads a cached file once, so that no tool's first run pays for the disk."""
    with open(path, "rb") as stream:
        while stream.read(1 << 22):
            pass


def postgres_table(rows, pg):
    table = f"bench_{rows}"
    print(f"Generating the PostgreSQL table of {rows:,} rows", flush=True)
    subprocess.run(pg.psql(["-v", "ON_ERROR_STOP=1", "-f", "-"]), input=POSTGRES_TABLE.format(table=table, rows=rows),
                   text=True, check=True, stdout=subprocess.DEVNULL)
    return table


class Postgres:
    """The private server that bench/run.sh started."""

    def __init__(self):
        env = os.environ
        if "QUILLET_PG_CONNECT" not in env:
            sys.exit("QUILLET_PG_CONNECT is not set: run bench/run.sh, which starts the server")
        self.connect = env["QUILLET_PG_CONNECT"]
        self.options = ["-h", env["QUILLET_PG_HOST"], "-p", env["QUILLET_PG_PORT"],
                        "-U", env["QUILLET_PG_USER"], "-d", env["QUILLET_PG_DATABASE"]]

    def psql(self, extra):
        return ["psql", "-X", "-q"] + self.options + extra


# ---------------------------------------------------------------- the tools

class Tool:
    """One way to export the table: a tool that `writes_itself` is told the
    output file's name, any other's standard output goes to that file. A tool
    that is not `csv` (the floor) writes nothing and reports its row count on
    standard error instead."""

    def __init__(self, name, argv, writes_itself=False, stdin_text=None, csv=True):
        self.name, self.argv, self.writes_itself = name, argv, writes_itself
        self.stdin_text, self.csv = stdin_text, csv


def tools_for(driver, source, rows, build, out_path, pg):
    quillet = os.path.join(build, "quillet")
    floor = os.path.join(build, "bench_OdbcFloor")
    if driver == "sqlite":
        statement = "select * from bench"
        connect = f"Driver=SQLite3;Database={source}"
        native = [Tool("sqlite3 -csv -header", ["sqlite3", "-batch", "-csv", "-header", source, statement])]
    else:
        statement = f"select * from {source}"
        connect = pg.connect
        native = [Tool("psql --csv", pg.psql(["--csv", "-c", statement])),
                  Tool("psql \\copy", pg.psql(["-c", f"\\copy ({statement}) to stdout csv header"]))]
    return ([Tool("quillet", [quillet, connect, f"-s={statement}", f"-o={out_path}", "-f"], writes_itself=True)]
            + native
            + [Tool("isql -b -d, -c", ["isql", "-b", "-d,", "-c", "-k", connect], stdin_text=statement + "\n"),
               Tool("ODBC floor", [floor, connect, statement], csv=False)])


# ---------------------------------------------------------------- measuring

class Run:
    def __init__(self, wall, cpu, peak_kib, failure, output_bytes):
        self.wall, self.cpu, self.peak_kib = wall, cpu, peak_kib
        self.failure, self.output_bytes = failure, output_bytes


def count_lines(path):
    lines = 0
    with open(path, "rb") as stream:
        while block := stream.read(1 << 22):
            lines += block.count(b"\n")
    return lines


def execute(argv, stdin_path, stdout_path, stderr_path, peak_path):
    """Runs one command and returns (wall seconds, exit status, resource usage).
    GNU time reads the peak resident set: a child keeps the peak of the process
    it was forked from, so a child of this script would report Python's."""
    timed = ["/usr/bin/time", "-f", "%M", "-o", peak_path] + argv
    with open(stdin_path, "rb") as stdin, open(stdout_path, "wb") as stdout, \
            open(stderr_path, "wb") as stderr:
        start = time.perf_counter()
        process = subprocess.Popen(timed, stdin=stdin, stdout=stdout, stderr=stderr, start_new_session=True)
        killer = threading.Timer(RUN_TIMEOUT_S, os.killpg, (process.pid, signal.SIGKILL))
        killer.start()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        killer.cancel()
    process.returncode = os.waitstatus_to_exitcode(status)
    return wall, process.returncode, usage


def peak_kib(path):
    """The last line of GNU time's report; lines before it tell of a failed exit."""
    with open(path) as stream:
        lines = stream.read().split()
    return int(lines[-1]) if lines and lines[-1].isdigit() else 0


def measure(tool, rows, work):
    out_path = os.path.join(work, "out.csv")
    stdin_path = os.path.join(work, "stdin.txt")
    stdout_path = os.devnull if tool.writes_itself or not tool.csv else out_path
    stderr_path = os.path.join(work, "stderr.txt")
    peak_path = os.path.join(work, "peak.txt")
    with open(stdin_path, "w") as stream:
        stream.write(tool.stdin_text or "")
    if os.path.exists(out_path):
        os.remove(out_path)
    wall, status, usage = execute(tool.argv, stdin_path, stdout_path, stderr_path, peak_path)
    with open(stderr_path, "rb") as stream:
        errors = stream.read().decode(errors="replace")
    failure = None
    size = 0
    if status != 0:
        failure = f"exit status {status}: {errors.strip()[-400:]}"
    elif tool.csv:
        size = os.path.getsize(out_path) if os.path.exists(out_path) else 0
        lines = count_lines(out_path) if size else 0
        if lines != rows + 1:
            failure = f"wrote {lines} lines, expected {rows + 1}"
    elif f"{rows} rows" not in errors:
        failure = f"fetched a wrong number of rows: {errors.strip()[-400:]}"
    if os.path.exists(out_path):
        os.remove(out_path)
    return Run(wall, usage.ru_utime + usage.ru_stime, peak_kib(peak_path), failure, size)


class Figures:
    """The medians of one tool's runs, or why it has none."""

    def __init__(self, name, runs):
        self.name = name
        failed = [r for r in runs if r.failure]
        self.failure = failed[0].failure if failed else None
        good = [r for r in runs if not r.failure] if not failed else []
        self.walls = [r.wall for r in good]
        self.wall = statistics.median(r.wall for r in good) if good else None
        self.cpu = statistics.median(r.cpu for r in good) if good else None
        self.peak_mib = statistics.median(r.peak_kib for r in good) / 1024 if good else None
        self.output_mib = statistics.median(r.output_bytes for r in good) / 2**20 if good else None


def benchmark(tools, rows, runs, work):
    """Runs every tool `runs` times, one after another in turn; each round
    starts with the next tool, so that no tool always runs first."""
    results = {tool.name: [] for tool in tools}
    broken = set()
    for round_index in range(runs):
        shift = round_index % len(tools)
        for tool in tools[shift:] + tools[:shift]:
            if tool.name in broken:
                continue
            run = measure(tool, rows, work)
            results[tool.name].append(run)
            note = f"FAILED: {run.failure}" if run.failure else \
                f"{run.wall:.2f} s wall, {run.cpu:.2f} s CPU, {run.peak_kib / 1024:.0f} MiB"
            print(f"    run {round_index + 1}  {tool.name:<22} {note}", flush=True)
            if run.failure:
                broken.add(tool.name)
    return [Figures(tool.name, results[tool.name]) for tool in tools]


# ---------------------------------------------------------------- the report

DRIVER_TITLES = {"sqlite": "SQLite (ODBC driver SQLite3)", "postgresql": "PostgreSQL (ODBC driver PostgreSQL ANSI)"}


def number(value, digits=2):
    return "-" if value is None else f"{value:.{digits}f}"


def ratio(a, b):
    return None if a is None or b is None or b == 0 else a / b


def figures_table(figures):
    """Markdown table of one driver and size; ratios are quillet's figure over the tool's."""
    quillet = figures[0]
    lines = ["| tool | wall s | CPU s | peak MiB | CSV MiB | quillet/tool wall | quillet/tool CPU | wall s of each run |",
             "|---|---:|---:|---:|---:|---:|---:|---|"]
    for f in figures:
        if f.failure:
            lines.append(f"| {f.name} | failed: {f.failure.splitlines()[0][:120]} | | | | | | |")
            continue
        csv = number(f.output_mib, 1) if f.output_mib else "-"
        lines.append(f"| {f.name} | {number(f.wall)} | {number(f.cpu)} | {number(f.peak_mib, 1)} | {csv} "
                     f"| {number(ratio(quillet.wall, f.wall))} | {number(ratio(quillet.cpu, f.cpu))} "
                     f"| {', '.join(number(w) for w in f.walls)} |")
    return lines


class Target:
    def __init__(self, text, value, limit, detail):
        self.text, self.value, self.limit, self.detail = text, value, limit, detail

    @property
    def verdict(self):
        if self.value is None:
            return "not measured"
        return "met" if self.value <= self.limit else "missed"


def by_name(figures, name):
    found = [f for f in figures if f.name == name and not f.failure]
    return found[0] if found else None


def wall_ratio_target(text, figures, tool, limit):
    q, other = by_name(figures, "quillet"), by_name(figures, tool)
    value = ratio(q.wall, other.wall) if q and other else None
    detail = f"{q.wall:.2f} s / {other.wall:.2f} s = {value:.2f}" if value is not None else ""
    return Target(text, value, limit, detail)


def floor_targets(label, figures):
    q, floor = by_name(figures, "quillet"), by_name(figures, "ODBC floor")
    if not (q and floor):
        return [Target(f"{label}: own cost (quillet - floor) <= 0.25 x floor", None, 0.25, ""),
                Target(f"{label}: peak memory <= floor peak + 1.5 x CSV size", None, 1.0, "")]
    own = (q.wall - floor.wall) / floor.wall
    allowed = floor.peak_mib + 1.5 * q.output_mib
    return [Target(f"{label}: own cost (quillet - floor) <= 0.25 x floor", own, 0.25,
                   f"({q.wall:.2f} - {floor.wall:.2f}) / {floor.wall:.2f} s = {own:.2f}"),
            Target(f"{label}: peak memory <= floor peak + 1.5 x CSV size", q.peak_mib / allowed, 1.0,
                   f"{q.peak_mib:.1f} MiB vs {floor.peak_mib:.1f} + 1.5 x {q.output_mib:.1f} "
                   f"= {allowed:.1f} MiB")]


def scaling_target(label, results, sizes):
    small, large = min(sizes), max(sizes)
    text = f"{label}: time per row at {large:,} <= 1.2 x at {small:,} rows"
    q_small = by_name(results.get(small, []), "quillet")
    q_large = by_name(results.get(large, []), "quillet")
    if small == large or not (q_small and q_large):
        return Target(text, None, 1.2, "")
    per_small, per_large = q_small.wall / small, q_large.wall / large
    value = per_large / per_small
    return Target(text, value, 1.2, f"{per_large * 1e6:.2f} us / {per_small * 1e6:.2f} us = {value:.2f}")


def targets(results, sizes):
    """The performance targets, from the figures of the 1M-row table where they name it."""
    found = []
    sqlite, postgres = results.get("sqlite", {}), results.get("postgresql", {})
    at_target = sqlite.get(TARGET_SIZE, [])
    found.append(wall_ratio_target("SQLite 1M: quillet wall <= 1.3 x sqlite3 CLI", at_target,
                                   "sqlite3 -csv -header", 1.3))
    found.append(wall_ratio_target("SQLite 1M: quillet wall <= 0.75 x isql", at_target, "isql -b -d, -c", 0.75))
    found.append(wall_ratio_target("PostgreSQL 1M: quillet wall <= 0.9 x isql",
                                   postgres.get(TARGET_SIZE, []), "isql -b -d, -c", 0.9))
    for driver, label in (("sqlite", "SQLite"), ("postgresql", "PostgreSQL")):
        found += floor_targets(f"{label} 1M", results.get(driver, {}).get(TARGET_SIZE, []))
    for driver, label in (("sqlite", "SQLite"), ("postgresql", "PostgreSQL")):
        found.append(scaling_target(label, results.get(driver, {}), sizes))
    return found


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as stream:
        for line in stream:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as stream:
        memory_kib = int(stream.readline().split()[1])
    return f"{os.cpu_count()} cores ({cpu}), {memory_kib / 2**20:.1f} GiB memory, {platform.platform()}"


def first_line(argv):
    try:
        done = subprocess.run(argv, capture_output=True, text=True, timeout=30)
        return (done.stdout or done.stderr).strip().splitlines()[0]
    except (OSError, IndexError, subprocess.TimeoutExpired):
        return "unknown"


def package(name):
    return first_line(["dpkg-query", "-W", "-f=${Version}", name])


def versions():
    commit = first_line(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"])
    changed = subprocess.run(["git", "-C", ROOT, "status", "--porcelain"], capture_output=True, text=True).stdout
    return [f"quillet: commit {commit}{', with uncommitted changes' if changed.strip() else ''}",
            f"sqlite3 CLI {first_line(['sqlite3', '--version']).split()[0]}",
            f"psql: {first_line(['psql', '--version'])}",
            f"unixODBC {first_line(['odbcinst', '--version']).split()[-1]}; "
            f"libsqliteodbc {package('libsqliteodbc')}; odbc-postgresql {package('odbc-postgresql')}"]


def load_average():
    return " ".join(f"{x:.2f}" for x in os.getloadavg())


def report_lines(args, results, checked, started, load_before):
    command = "bash bench/run.sh --runs {} --drivers {} {}".format(
        args.runs, ",".join(args.drivers), " ".join(str(r) for r in args.rows))
    lines = ["# Benchmark results", "",
             f"Measured {started:%Y-%m-%d %H:%M} UTC on {machine()}.",
             f"Load average (1, 5, 15 min) before the runs: {load_before}; after: {load_average()}.", ""]
    lines += [f"- {v}" for v in versions()]
    lines += ["", "Reproduce with:", "", f"    {command}", "",
              "Each tool exports `select * from` the benchmark table (integer id, varchar(40), double, "
              "integer, text of which one row in ten needs quoting, timestamp, date) to a file "
              f"in {'tmpfs (/dev/shm)' if args.out_dir == '/dev/shm' else args.out_dir}. "
              f"Medians of {args.runs} runs per tool, the tools taking turns. Wall time includes "
              "connecting; CPU time is user + system time of the tool's process (a PostgreSQL "
              "server's own work shows only in wall time). Peak is the resident set's maximum. "
              "The ODBC floor (bench/OdbcFloor.cpp) fetches every row through the same driver "
              "and cursor as quillet, one row per fetch, and does nothing with the values.", ""]
    for driver in args.drivers:
        for rows in args.rows:
            lines += [f"## {DRIVER_TITLES[driver]}, {rows:,} rows", ""]
            lines += figures_table(results[driver][rows]) + [""]
    lines += ["## Targets", "", "| target | figure | verdict |", "|---|---|---|"]
    lines += [f"| {t.text} | {t.detail} | {t.verdict} |" for t in checked]
    return lines


def print_console(args, results, checked):
    for driver in args.drivers:
        for rows in args.rows:
            print(f"\n{DRIVER_TITLES[driver]}, {rows:,} rows (medians of {args.runs} runs)")
            print(f"  {'tool':<22} {'wall s':>8} {'CPU s':>8} {'peak MiB':>9} {'CSV MiB':>8} "
                  f"{'q/tool wall':>12} {'q/tool CPU':>11}")
            quillet = results[driver][rows][0]
            for f in results[driver][rows]:
                if f.failure:
                    print(f"  {f.name:<22} failed: {f.failure.splitlines()[0][:100]}")
                    continue
                csv = number(f.output_mib, 1) if f.output_mib else "-"
                print(f"  {f.name:<22} {number(f.wall):>8} {number(f.cpu):>8} {number(f.peak_mib, 1):>9} "
                      f"{csv:>8} {number(ratio(quillet.wall, f.wall)):>12} {number(ratio(quillet.cpu, f.cpu)):>11}")
    print("\nTargets")
    for t in checked:
        print(f"  {t.verdict:<13} {t.text}  {t.detail}")


def main():
    args = parse_args()
    for program in ("quillet", "bench_OdbcFloor"):
        if not os.access(os.path.join(args.build, program), os.X_OK):
            sys.exit(f"{program} is not built in {args.build}: run bench/run.sh")
    pg = Postgres() if "postgresql" in args.drivers else None
    started = datetime.datetime.now(datetime.timezone.utc)
    load_before = load_average()
    if args.out_dir is None:
        args.out_dir = "/dev/shm" if os.path.isdir("/dev/shm") else tempfile.gettempdir()
    work = tempfile.mkdtemp(prefix="quillet-bench-", dir=args.out_dir)
    results = {}
    try:
        for driver in args.drivers:
            results[driver] = {}
            for rows in args.rows:
                source = sqlite_database(rows) if driver == "sqlite" else postgres_table(rows, pg)
                tools = tools_for(driver, source, rows, args.build, os.path.join(work, "out.csv"), pg)
                print(f"{DRIVER_TITLES[driver]}, {rows:,} rows", flush=True)
                results[driver][rows] = benchmark(tools, rows, args.runs, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    checked = targets(results, args.rows)
    print_console(args, results, checked)
    with open(args.results, "w") as stream:
        stream.write("\n".join(report_lines(args, results, checked, started, load_before)) + "\n")
    print(f"\nWrote {os.path.relpath(args.results, ROOT)}")


if __name__ == "__main__":
    main()
