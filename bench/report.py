#!/usr/bin/env python3
"""Runs the standard-tool floors of the conduit's sync types and writes docs/benchmarks.md.

Called by scripts/bench.sh after the benchmark programs have run: it reads their JSON results,
times sqlite3 on the same rows the conduit benchmarks use (written by the conduit benchmark
program itself), and writes the table. Standard library only; never builds anything.
"""

import argparse
import json
import os
import pathlib
import sqlite3
import statistics
import subprocess
import tempfile
import time

FLOOR_REPEATS = 5
IMPORT_FLOOR = "sqlite3 .import of the same contacts as CSV into the same table"
EXPORT_FLOOR = "sqlite3 -csv reading the same query to a file"
CSV_EXPORT_FLOOR = "sqlite3 -csv writing the same contacts to a CSV file"

# The conduit benchmark of each sync type and the floor it is set against.
SYNC_TYPES = [
    (0, "Desktop Database Adds Pocket PC Contacts", "DesktopAddsToDevice", "query"),
    (1, "Desktop Database Overwrites Pocket PC Contacts", "DesktopToDevice", "query"),
    (2, "Pocket PC Contacts Adds Desktop Database", "DeviceAddsToDesktop", "import"),
    (3, "Pocket PC Contacts Overwrites Desktop Database (cursor writer)",
     "DeviceToDesktopCursorWriter", "overwrite"),
    (3, "Pocket PC Contacts Overwrites Desktop Database (statement writer)",
     "DeviceToDesktopStatementWriter", "overwrite"),
    (4, "Do Nothing", None, None),
    (5, "Import Pocket PC Contacts data to Desktop as a CSV file", "CsvExport", "csv"),
]


def run_timed(setup, command, stdin_text=None, stdout_file=None):
    """Median wall time in milliseconds of FLOOR_REPEATS runs of `command`; `setup` runs
    untimed before each."""
    times = []
    for _ in range(FLOOR_REPEATS):
        setup()
        with open(stdout_file or os.devnull, "wb") as out:
            start = time.perf_counter()
            subprocess.run(command, input=stdin_text.encode() if stdin_text else None,
                           stdout=out, stderr=subprocess.PIPE, check=True)
            times.append((time.perf_counter() - start) * 1000.0)
    return statistics.median(times)


def create_table_sql(people_sql):
    return people_sql.split(";", 1)[0] + ";"


def floors(conduit_bench, work):
    """The floor of each kind, in milliseconds, with its size and command."""
    subprocess.run([str(conduit_bench), "--write-floor-data", str(work)], check=True)
    people_sql = (work / "people.sql").read_text(encoding="utf-8")
    contacts_csv = work / "contacts.csv"
    contacts = sum(1 for _ in contacts_csv.open(encoding="utf-8")) - 1

    def fresh_table(path, sql):
        path.unlink(missing_ok=True)
        with sqlite3.connect(path) as db:
            db.executescript(sql)
        db.close()

    result = {}
    empty_db = work / "import.db"
    import_command = ".import --csv --skip 1 '%s' People\n" % contacts_csv
    result["import"] = (run_timed(lambda: fresh_table(empty_db, create_table_sql(people_sql)),
                                  ["sqlite3", str(empty_db)], stdin_text=import_command),
                        contacts, IMPORT_FLOOR,
                        "sqlite3 import.db '.import --csv --skip 1 contacts.csv People'")
    result["overwrite"] = (run_timed(lambda: fresh_table(empty_db, people_sql),
                                     ["sqlite3", str(empty_db)],
                                     stdin_text="DELETE FROM People;\n" + import_command),
                           contacts, IMPORT_FLOOR + " (after deleting its rows)",
                           "sqlite3 people.db 'DELETE FROM People;' "
                           "'.import --csv --skip 1 contacts.csv People'")

    people_db = work / "people.db"
    fresh_table(people_db, people_sql)
    rows = sqlite3.connect(people_db).execute("SELECT count(*) FROM People").fetchone()[0]
    query = 'SELECT * FROM "People"'
    result["query"] = (run_timed(lambda: None, ["sqlite3", "-csv", str(people_db), query],
                                 stdout_file=work / "people.csv"),
                       rows, EXPORT_FLOOR, "sqlite3 -csv people.db '%s' > people.csv" % query)

    contacts_db = work / "contacts.db"
    fresh_table(contacts_db, create_table_sql(people_sql))
    subprocess.run(["sqlite3", str(contacts_db)], input=import_command, text=True, check=True)
    result["csv"] = (run_timed(lambda: None,
                               ["sqlite3", "-csv", str(contacts_db), "SELECT * FROM People"],
                               stdout_file=work / "export.csv"),
                     contacts, CSV_EXPORT_FLOOR,
                     "sqlite3 -csv contacts.db 'SELECT * FROM People' > export.csv")
    return result


def figure(entry):
    value = entry["real_time"]
    text = ("%s %s" % (format(round(value), ","), entry["time_unit"]) if value >= 100
            else "%.3g %s" % (value, entry["time_unit"]))
    for counter, unit in (("rows_per_second", "rows/s"), ("items_per_second", "items/s")):
        if entry.get(counter):
            text += ", %s %s" % (format(int(round(entry[counter])), ","), unit)
    if entry.get("bytes_per_second"):
        text += ", %.1f MB/s" % (entry["bytes_per_second"] / 1e6)
    return text


def size(entry):
    parts = entry["name"].split("/")
    numbers = [p for p in parts[1:] if p.isdigit()]
    if numbers:
        return " × ".join(format(int(n), ",") for n in numbers)
    rate = entry.get("rows_per_second")
    if rate:
        seconds = entry["real_time"] / {"ns": 1e9, "us": 1e6, "ms": 1e3, "s": 1}[entry["time_unit"]]
        return "%s rows" % format(int(round(rate * seconds)), ",")
    return "—"


def milliseconds(entry):
    return entry["real_time"] / {"ns": 1e6, "us": 1e3, "ms": 1, "s": 1e-3}[entry["time_unit"]]


def load_results(results):
    programs = {}
    for path in sorted(results.glob("*.json")):
        if path.stem == "whole_process":  # not a benchmark program: see write_report
            continue
        data = json.loads(path.read_text(encoding="utf-8"))
        entries = [b for b in data.get("benchmarks", []) if b.get("run_type") != "aggregate"]
        programs[path.stem] = (data.get("context", {}), entries)
    return programs


def base_name(name):
    return name.split("/")[0]


BIG_TABLE_PROGRAM = "velmora-bench-big-table"
ENGINES = {0: ("SQLite", "sqlite3"), 1: ("PostgreSQL", "psql"), 2: ("MariaDB", "mariadb")}


def big_table_lines(entries):
    """The desktop manager on a large linked table beside the engine's own client."""
    lines = ["", "## The desktop manager on a large linked table", "",
             "The whole `brisklet --quit-after-start` process (offscreen, no handheld, so any "
             "start-up pause is in it) in an application folder whose first profile links a table "
             "of the size shown, until its main window has shown that table: wall time and peak "
             "resident memory. Beside it the engine's own client printing the first screen (40 "
             "rows) of the same query and counting its rows, and the time the content pane's rows "
             "take to jump from the first row to the last.", "",
             "| Engine | Rows | brisklet wall | brisklet peak memory | Last row | Client | "
             "Client wall | Client peak memory | Client count |",
             "|---|---|---|---|---|---|---|---|---|"]
    for entry in entries:
        if entry.get("error_occurred"):
            continue
        fields = dict(part.split(":", 1) for part in entry["name"].split("/")[1:] if ":" in part)
        engine, client = ENGINES.get(int(fields.get("engine", -1)), ("?", "?"))
        last_row = entry.get("last_row_ms")
        lines.append("| %s | %s | %.0f ms | %.0f MB | %s | `%s` | %s | %s | %s |" % (
            engine, format(int(fields.get("rows", 0)), ","), milliseconds(entry),
            entry.get("peak_MB", 0), "%.1f ms" % last_row if last_row is not None else "—",
            client, "%.0f ms" % entry["client_ms"] if "client_ms" in entry else "—",
            "%.0f MB" % entry["client_peak_MB"] if "client_peak_MB" in entry else "—",
            "%.0f ms" % entry["client_count_ms"] if "client_count_ms" in entry else "—"))
    return lines


CONDUIT_READ_PROGRAM = "velmora-bench-conduit-read"


def conduit_read_lines(entries):
    """The whole conduit sending a large linked table to the handheld."""
    lines = ["", "## The conduit on a large linked table", "",
             "The whole `tavrill --unattended` process sending the rows of an SQLite table of the "
             "size shown to the emulated handheld (Desktop Overwrites Device), until it ends: wall "
             "time and peak resident memory. The transfer file holds at most 65,535 contacts, so "
             "the larger table shows what reading it costs beyond the rows sent.", "",
             "| Rows | tavrill wall | tavrill peak memory |", "|---|---|---|"]
    for entry in entries:
        if entry.get("error_occurred"):
            continue
        fields = dict(part.split(":", 1) for part in entry["name"].split("/")[1:] if ":" in part)
        lines.append("| %s | %.0f ms | %.0f MB |" % (
            format(int(fields.get("rows", 0)), ","), milliseconds(entry), entry.get("peak_MB", 0)))
    return lines


def write_report(args, programs, floor):
    lines = ["# Benchmarks", "",
             "Written by `scripts/bench.sh` (Release build in `build-bench`); run it again to "
             "rewrite this file. Times are wall-clock medians as Google Benchmark reports them; "
             "each command below reproduces one row from the repository root after that build.",
             ""]
    lines.append("Machine: %s cores; load average %s at the start of the run and %s at its end."
                 % (os.cpu_count(), args.load_before, args.load_after))
    if float(args.load_before.split()[0]) >= 0.5 or float(args.load_after.split()[0]) >= 0.5:
        lines.append("The cores were shared with other work during the run, so the figures are "
                     "on the slow side and vary between runs.")
    if any(c.get("library_build_type") == "debug" for c, _ in programs.values()):
        lines.append("Google Benchmark reports its own library (the Debian package) as a debug "
                     "build; the code measured is Velmora's Release build.")
    lines += ["", "## Every benchmark", "",
              "| Program | Benchmark | Size | Figure | Command |", "|---|---|---|---|---|"]
    conduit = {}
    for program, (_, entries) in programs.items():
        for entry in entries:
            if entry.get("error_occurred"):
                shown = "failed: %s" % entry.get("error_message", "")
            else:
                shown = figure(entry)
            command = "`build-bench/bench/%s --benchmark_filter='^%s$'`" % (program, entry["name"])
            lines.append("| %s | %s | %s | %s | %s |"
                         % (program, entry["name"], size(entry), shown, command))
            if program == "velmora-bench-conduit" and not entry.get("error_occurred"):
                conduit[base_name(entry["name"])] = entry
    lines += ["", "## The conduit's sync types against a standard tool", "",
              "The floor is what sqlite3 reaches on the same rows on this machine (median of %d "
              "runs, the process start included, as the conduit's runs include theirs). The ratio "
              "is the conduit's time over the floor's." % FLOOR_REPEATS, "",
              "| Sync type | Conduit run | Rows | Conduit | Floor | Floor time | Ratio |",
              "|---|---|---|---|---|---|---|"]
    for value, title, bench, kind in SYNC_TYPES:
        if bench is None:
            lines.append("| %d %s | — | — | — | nothing moves | — | — |" % (value, title))
            continue
        entry = conduit.get(bench)
        floor_ms, floor_rows, floor_text, floor_command = floor[kind]
        if entry is None:
            lines.append("| %d %s | %s | %s | not run | %s | %.1f ms | — |"
                         % (value, title, bench, format(floor_rows, ","), floor_text, floor_ms))
            continue
        lines.append("| %d %s | %s | %s | %.0f ms | %s (`%s`) | %.1f ms | %.1f× |"
                     % (value, title, bench, size(entry), milliseconds(entry), floor_text,
                        floor_command, floor_ms, milliseconds(entry) / floor_ms))
    lines += ["", "Device contacts backup (no sync type): see `DeviceContactsBackup` above."]
    whole = args.results / "whole_process.json"
    if whole.exists():
        lines += ["", "## Whole conduit processes against sqlite3", ""]
        lines += json.loads(whole.read_text(encoding="utf-8"))["lines"]
    if BIG_TABLE_PROGRAM in programs:
        lines += big_table_lines(programs[BIG_TABLE_PROGRAM][1])
    if CONDUIT_READ_PROGRAM in programs:
        lines += conduit_read_lines(programs[CONDUIT_READ_PROGRAM][1])
    lines.append("")
    args.output.write_text("\n".join(lines), encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--results", type=pathlib.Path, required=True)
    parser.add_argument("--bench-dir", type=pathlib.Path, required=True)
    parser.add_argument("--output", type=pathlib.Path, required=True)
    parser.add_argument("--load-before", required=True)
    parser.add_argument("--load-after", required=True)
    args = parser.parse_args()
    programs = load_results(args.results)
    with tempfile.TemporaryDirectory(prefix="velmora-floor-") as work:
        floor = floors(args.bench_dir / "velmora-bench-conduit", pathlib.Path(work))
    write_report(args, programs, floor)


if __name__ == "__main__":
    main()
