#!/usr/bin/env python3
"""Times whole `tavrill --unattended` processes beside sqlite3 on the same data, in one run.

Builds a desktop of its own in a scratch folder (registry, ODBC file, application folder with
the shipped profile database, an emulated handheld attached to it) with the programs of a build
folder, then for each sync type and size runs the conduit on one profile, the agent on the
handheld answering, and the sqlite3 floor on the same rows, alternately, and takes the median
of each. Prints per-row slopes and their ratio, the one-row run, one agent round trip and the
peak resident memory of each process of the largest run, as Markdown (and, with --json, as
data for bench/report.py). Standard library only; never builds anything.

Usage: bench/conduit/whole_process.py BUILD_FOLDER [--repeats N] [--json FILE]
"""

import argparse
import json
import os
import pathlib
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

OWNER = "Bench Owner"
APP_KEY = r"HKCU\Software\Microsoft\Wrenlock"
PEOPLE_COLUMNS = ["Title", "FirstName", "LastName", "Company", "WorkPhone", "Email", "Notes",
                  "Birthday"]
PEOPLE_MAPPINGS = [("F1", "Title", "SQL_CHAR"), ("F2", "FirstName", "SQL_CHAR"),
                   ("F4", "LastName", "SQL_CHAR"), ("F8", "Company", "SQL_CHAR"),
                   ("F9", "WorkPhone", "SQL_CHAR"), ("F20", "Email", "SQL_CHAR"),
                   ("F44", "Notes", "SQL_CHAR"), ("F45", "Birthday", "SQL_DATE")]
DATE_FIELDS = (45, 46)
TYPE1_SIZES = (1, 5000, 50000)
CONTACT_SIZES = (1000, 5461)
GOAL_SLOPE_RATIO = 3.0
GOAL_ONE_ROW_MS = 30.0
GOAL_ROUND_TRIP_MS = 10.0
GOAL_PEAK_MB = 64.0


def people_sql(rows):
    return ("CREATE TABLE People (ID INTEGER PRIMARY KEY, Title TEXT, FirstName TEXT, "
            "LastName TEXT, Company TEXT, WorkPhone TEXT, Email TEXT, Notes TEXT, Birthday DATE);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %d) "
            "INSERT INTO People (Title, FirstName, LastName, Company, WorkPhone, Email, Notes, "
            "Birthday) SELECT 'Ms.', 'Første' || i, 'O''Name' || i, 'Company ' || (i %% 97), "
            "'+49 531 504 ' || i, 'person' || i || '@example.com', 'A note about person ' || i, "
            "date('1970-01-01', '+' || i || ' days') FROM n;" % rows)


def contact_table_sql():
    columns = ", ".join("C%d %s" % (f, "DATE" if f in DATE_FIELDS else "TEXT")
                        for f in range(1, 47))
    return "CREATE TABLE Contacts46 (ID INTEGER PRIMARY KEY, %s);" % columns


def contact_value(field, i):
    if field in DATE_FIELDS:
        return "19%02d-%02d-%02d" % (50 + i % 50, 1 + i % 12, 1 + i % 28)
    if field == 40:
        return ""  # Categories: no category, so overwrites on the handheld replace everything
    if field == 44:
        return "A note, with a comma, about person %d" % i
    return "Første %d.%d" % (field, i)


def csv_field(text):
    if any(c in text for c in ",\"\r\n"):
        return '"' + text.replace('"', '""') + '"'
    return text


class Desktop:
    """The scratch desktop: environment, programs and the profile database."""

    def __init__(self, build, root):
        self.build = build
        self.root = root
        self.app = root / "app"
        self.handheld = root / "handheld"
        self.data = root / "data"
        self.env = dict(os.environ, VELMORA_REGISTRY=str(root / "registry"),
                        ODBCINI=str(root / "odbc.ini"))
        self.env.pop("DISPLAY", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("VELMORA_RAPI_TRACE", None)
        self.app.mkdir(parents=True)
        self.data.mkdir()
        (root / "odbc.ini").touch()
        shutil.copy(build / "share" / "Orvendel.mdb", self.app / "Orvendel.mdb")
        self.tool("velmora-reg", "add", APP_KEY, "/v", "AppPath", "/d", str(self.app), "/f")
        self.tool("velmora-device", "create", str(self.handheld), "--owner", OWNER)
        self.tool("velmora-device", "connect", str(self.handheld))
        self.sql(self.app / "Orvendel.mdb", 'DELETE FROM DBProfile; DELETE FROM "Transaction";')
        header = self.tool("velmora-device", "contacts", str(self.handheld), "list", "--csv")
        self.field_names = header.splitlines()[0].split(",")
        if len(self.field_names) != 46:
            raise SystemExit("unexpected contacts header: %r" % header[:200])

    def tool(self, name, *args):
        done = subprocess.run([str(self.build / "bin" / name), *args], env=self.env,
                              capture_output=True, text=True)
        if done.returncode != 0:
            raise SystemExit("%s %s failed: %s" % (name, " ".join(args), done.stderr))
        return done.stdout

    def sql(self, database, text):
        subprocess.run(["sqlite3", str(database), text], check=True, env=self.env)

    def set_profile(self, sync_type, database, table, mappings):
        """The only profile of the owner: sync type, desktop database and mappings."""
        db_type = 20 if sync_type == 5 else 1
        rows = ["DELETE FROM DBProfile; DELETE FROM \"Transaction\";",
                "INSERT INTO DBProfile (ProfID, ProfName, DBPath, DBType, DBDSN, DBUser, "
                "DBPassword, SyncType, UserType, UserName, SyncOn, Day, WeekDay, SyncTime, "
                "LastSyncDateTime, ProfStatus, Query, tablename, connectionType, ID) VALUES "
                "(1, 'Bench', '%s/', %d, '%s', '', '', %d, 1, '%s', 0, 1, 1, '8:30', '8:30', 1, "
                "'SELECT * FROM \"%s\"', '%s', 0, 0);"
                % (database.parent, db_type, database.name, sync_type, OWNER, table, table)]
        for field_id, column, data_type in mappings:
            rows.append("INSERT INTO \"Transaction\" VALUES (1, '%s', '%s', '%s');"
                        % (field_id, column, data_type))
        self.sql(self.app / "Orvendel.mdb", "\n".join(rows))

    def contacts_csv(self, count, with_id):
        """The handheld's contacts as CSV: the handheld's own header, or ID and C1 … C46."""
        path = self.data / ("contacts-%d%s.csv" % (count, "-id" if with_id else ""))
        with open(path, "w", encoding="utf-8", newline="") as out:
            if with_id:
                out.write(",".join(["ID"] + ["C%d" % f for f in range(1, 47)]) + "\r\n")
            else:
                out.write(",".join(self.field_names) + "\r\n")
            for i in range(count):
                values = [csv_field(contact_value(f, i)) for f in range(1, 47)]
                out.write(",".join(([str(i + 1)] if with_id else []) + values) + "\r\n")
        return path

    def clear_device(self):
        self.tool("velmora-device", "contacts", str(self.handheld), "clear")

    def set_device_contacts(self, count):
        self.tool("velmora-device", "contacts", str(self.handheld), "clear")
        self.tool("velmora-device", "contacts", str(self.handheld), "import",
                  str(self.contacts_csv(count, with_id=False)))

    def contacts_store(self):
        return self.handheld / "contacts.db"

    def conduit(self):
        """One whole conduit process: (wall ms, CPU ms of it and its agent)."""
        return timed([str(self.build / "bin" / "tavrill"), "--unattended"], env=self.env)


def children_cpu_ms():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (usage.ru_utime + usage.ru_stime) * 1000.0


def timed(command, stdout=None, env=None):
    """(wall ms, CPU ms) of one process and the processes it waited for."""
    with open(stdout or os.devnull, "wb") as out:
        cpu = children_cpu_ms()
        start = time.perf_counter()
        done = subprocess.run(command, stdout=out, stderr=subprocess.PIPE, env=env)
        wall = (time.perf_counter() - start) * 1000.0
        if done.returncode != 0:
            raise SystemExit("%s failed (%d): %s" % (command[0], done.returncode,
                                                     done.stderr.decode(errors="replace")))
        return wall, children_cpu_ms() - cpu


def alternate(repeats, before, conduit, floor):
    """Medians (conduit ms, floor ms, conduit CPU ms, floor CPU ms) of `repeats` alternating
    runs; `before` runs untimed."""
    conduit_runs, floor_runs = [], []
    for _ in range(repeats):
        before()
        conduit_runs.append(conduit())
        before()
        floor_runs.append(floor())
    median = lambda runs, i: statistics.median(run[i] for run in runs)  # noqa: E731
    return (median(conduit_runs, 0), median(floor_runs, 0), median(conduit_runs, 1),
            median(floor_runs, 1))


def measure(desktop, repeats):
    """Every case: {(sync type, rows): (conduit ms, floor ms, floor command)}."""
    results = {}
    nothing = lambda: None  # noqa: E731
    store = desktop.contacts_store()
    export_sql = "SELECT %s FROM contact ORDER BY id" % ", ".join(
        "f%d" % f for f in range(1, 47))
    target = desktop.data / "contacts46.db"
    contact_mappings = [("F%d" % f, "C%d" % f, "SQL_DATE" if f in DATE_FIELDS else "SQL_CHAR")
                        for f in range(1, 47)]
    for count in CONTACT_SIZES:
        desktop.set_device_contacts(count)
        import_csv = desktop.contacts_csv(count, with_id=True)
        importer = ["sqlite3", str(target), ".import --csv --skip 1 %s Contacts46" % import_csv]
        if target.exists():
            target.unlink()
        desktop.sql(target, contact_table_sql())
        empty = lambda: desktop.sql(target, "DELETE FROM Contacts46;")  # noqa: E731
        for sync_type in (2, 3):
            desktop.set_profile(sync_type, target, "Contacts46", contact_mappings)
            if sync_type == 2:
                floor = lambda: timed(importer)  # noqa: E731
                results[(2, count)] = alternate(repeats, empty, desktop.conduit, floor) + (
                    "sqlite3 contacts46.db '.import --csv --skip 1 contacts.csv Contacts46'",)
            else:
                floor = lambda: timed(["sqlite3", str(target), "DELETE FROM Contacts46;",  # noqa
                                       importer[2]])
                results[(3, count)] = alternate(repeats, nothing, desktop.conduit, floor) + (
                    "sqlite3 contacts46.db 'DELETE FROM Contacts46;' '.import --csv --skip 1 "
                    "contacts.csv Contacts46'",)
        desktop.set_profile(5, desktop.data / "none.db", "Contacts46", contact_mappings)
        floor = lambda: timed(["sqlite3", "-csv", str(store), export_sql],  # noqa: E731
                              stdout=desktop.data / "export.csv")
        results[(5, count)] = alternate(repeats, nothing, desktop.conduit, floor) + (
            "sqlite3 -csv contacts.db 'SELECT f1, …, f46 FROM contact ORDER BY id' > export.csv",)
    for rows in TYPE1_SIZES:
        people = desktop.data / ("people-%d.db" % rows)
        desktop.sql(people, people_sql(rows))
        desktop.set_profile(1, people, "People", PEOPLE_MAPPINGS)
        floor = lambda: timed(["sqlite3", "-csv", str(people),  # noqa: E731
                               'SELECT * FROM "People"'], stdout=desktop.data / "people.csv")
        # The conduit backs up the handheld's contacts before it overwrites them: each run
        # starts from an empty handheld, so that only the desktop's rows are measured.
        results[(1, rows)] = alternate(repeats, desktop.clear_device, desktop.conduit, floor) + (
            "sqlite3 -csv people.db 'SELECT * FROM \"People\"' > people.csv",)
    return results


def peak_memory(desktop):
    """Peak resident MB of the conduit and of the agent in one type-1 run of the largest size
    (the profile left by measure()) onto an empty handheld. The agent runs under /usr/bin/time for it; the conduit's
    own peak is read from /proc while it runs, as its rusage would include the agent's."""
    recorded = desktop.handheld / "files" / "Windows" / "Sorrelin.exe"
    agent_peak = desktop.root / "agent-peak.txt"
    wrapper = desktop.root / "agent-under-time"
    original = recorded.read_text().splitlines()[0]
    wrapper.write_text("#!/bin/sh\nexec /usr/bin/time -a -o %s -f %%M %s \"$@\"\n"
                       % (agent_peak, original))
    wrapper.chmod(0o755)
    recorded.write_text(str(wrapper) + "\n")
    desktop.clear_device()
    try:
        process = subprocess.Popen([str(desktop.build / "bin" / "tavrill"), "--unattended"],
                                   env=desktop.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        conduit_kb = [0]

        def watch():
            status = pathlib.Path("/proc/%d/status" % process.pid)
            while process.poll() is None:
                try:
                    for line in status.read_text().splitlines():
                        if line.startswith("VmHWM:"):
                            conduit_kb[0] = max(conduit_kb[0], int(line.split()[1]))
                except (OSError, ValueError):
                    pass
                time.sleep(0.002)

        watcher = threading.Thread(target=watch)
        watcher.start()
        process.wait()
        watcher.join()
        if process.returncode != 0:
            raise SystemExit("tavrill failed in the memory run")
    finally:
        recorded.write_text(original + "\n")
    agent_kb = max(int(line) for line in agent_peak.read_text().split())
    return conduit_kb[0] / 1024.0, agent_kb / 1024.0


def agent_round_trip(build):
    """Median (wall ms, CPU ms of the desktop side) of one agent round trip, from
    velmora-bench-device (when built)."""
    program = build / "bench" / "velmora-bench-device"
    if not program.exists():
        return None
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([str(program), "--benchmark_filter=^BM_AgentRoundTrip",
                        "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
                        "--benchmark_out=%s" % out.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL)
        entries = json.load(open(out.name))["benchmarks"]
    for entry in entries:
        if entry.get("error_occurred"):
            return None
        if entry.get("aggregate_name") == "median":
            scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[entry["time_unit"]]
            return entry["real_time"] * scale, entry["cpu_time"] * scale
    return None


TITLES = {1: "1 desktop overwrites handheld", 2: "2 handheld adds to desktop",
          3: "3 handheld overwrites desktop", 5: "5 CSV export"}


def slopes(results):
    """[(sync type, small, large, conduit µs/row, floor µs/row)]."""
    out = []
    for sync_type, sizes in ((1, TYPE1_SIZES[1:]), (2, CONTACT_SIZES), (3, CONTACT_SIZES),
                             (5, CONTACT_SIZES)):
        small, large = sizes
        c_small, f_small, cc_small, fc_small, _ = results[(sync_type, small)]
        c_large, f_large, cc_large, fc_large, _ = results[(sync_type, large)]
        span = float(large - small)
        per_row = lambda a, b: (b - a) * 1000.0 / span  # noqa: E731
        out.append((sync_type, small, large, per_row(c_small, c_large), per_row(f_small, f_large),
                    per_row(cc_small, cc_large), per_row(fc_small, fc_large)))
    return out


def met(ok):
    return "met" if ok else "**not met**"


def load_average():
    return " ".join(pathlib.Path("/proc/loadavg").read_text().split()[:3])


def markdown(results, memory, round_trip, repeats, command, loads):
    lines = ["Whole processes, median of %d alternating runs each: `tavrill --unattended` on one "
             "profile with the emulated handheld's agent answering, and sqlite3 on the same data "
             "in the same run. Wall time is what the goals count; CPU time (user + system, the "
             "agent's included) is beside it because it hardly moves with the load of other work "
             "on the machine. Load average %s at the start, %s at the end. Reproduce with `%s`."
             % (repeats, loads[0], loads[1], command), "",
             "| Sync type | Data | Conduit wall | sqlite3 wall | Ratio | Conduit CPU | sqlite3 CPU "
             "| Floor command |",
             "|---|---|---|---|---|---|---|---|"]
    for (sync_type, rows), (conduit_ms, floor_ms, conduit_cpu, floor_cpu,
                            floor_command) in sorted(results.items()):
        data = ("%s row%s × 8 columns" % (format(rows, ","), "" if rows == 1 else "s")
                if sync_type == 1
                else "%s contacts × 46 fields" % format(rows, ","))
        lines.append("| %s | %s | %.0f ms | %.1f ms | %.1f× | %.0f ms | %.1f ms | `%s` |"
                     % (TITLES[sync_type], data, conduit_ms, floor_ms, conduit_ms / floor_ms,
                        conduit_cpu, floor_cpu, floor_command))
    lines += ["", "| Goal | Measured (wall) | CPU | Goal value | |", "|---|---|---|---|---|"]
    for sync_type, small, large, wall, floor_wall, cpu, floor_cpu in slopes(results):
        ratio = wall / floor_wall if floor_wall > 0 else float("inf")
        cpu_ratio = cpu / floor_cpu if floor_cpu > 0 else float("inf")
        lines.append("| per-row cost, type %d (%s → %s) | %.1f µs/row vs sqlite3 %.1f µs/row = "
                     "%.1f× | %.1f vs %.1f µs/row = %.1f× | ≤ %.0f× | %s |"
                     % (sync_type, format(small, ","), format(large, ","), wall, floor_wall,
                        ratio, cpu, floor_cpu, cpu_ratio, GOAL_SLOPE_RATIO,
                        met(ratio <= GOAL_SLOPE_RATIO)))
    one_row, _, one_row_cpu = results[(1, 1)][:3]
    lines.append("| one-row profile run, whole process | %.0f ms | %.0f ms | ≤ %.0f ms | %s |"
                 % (one_row, one_row_cpu, GOAL_ONE_ROW_MS, met(one_row <= GOAL_ONE_ROW_MS)))
    if round_trip is None:
        lines.append("| one agent round trip | not measured (velmora-bench-device not built) "
                     "| | ≤ %.0f ms | |" % GOAL_ROUND_TRIP_MS)
    else:
        lines.append("| one agent round trip (`velmora-bench-device "
                     "--benchmark_filter=^BM_AgentRoundTrip`) | %.1f ms | %.1f ms | ≤ %.0f ms | %s |"
                     % (round_trip[0], round_trip[1], GOAL_ROUND_TRIP_MS,
                        met(round_trip[0] <= GOAL_ROUND_TRIP_MS)))
    conduit_mb, agent_mb = memory
    lines.append("| peak resident memory, type 1 at %s rows | conduit %.0f MB, agent %.0f MB "
                 "| | < %.0f MB each | %s |"
                 % (format(TYPE1_SIZES[-1], ","), conduit_mb, agent_mb, GOAL_PEAK_MB,
                    met(max(conduit_mb, agent_mb) < GOAL_PEAK_MB)))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--json", type=pathlib.Path)
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = parser.parse_args()
    build = args.build.resolve()
    load_before = load_average()
    root = pathlib.Path(tempfile.mkdtemp(prefix="velmora-whole-"))
    try:
        desktop = Desktop(build, root)
        results = measure(desktop, args.repeats)
        memory = peak_memory(desktop)
    finally:
        if not args.keep:
            shutil.rmtree(root, ignore_errors=True)
        else:
            print("kept %s" % root, file=sys.stderr)
    round_trip = agent_round_trip(build)
    command = "bench/conduit/whole_process.py %s" % args.build
    lines = markdown(results, memory, round_trip, args.repeats, command,
                     (load_before, load_average()))
    print("\n".join(lines))
    if args.json:
        args.json.write_text(json.dumps({"lines": lines}), encoding="utf-8")


if __name__ == "__main__":
    main()
