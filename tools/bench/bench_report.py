#!/usr/bin/env python3
"""Turns the raw output of ./bench.sh into bench/results.csv, bench/REPORT.md and bench/chart.png.

It computes and formats; it runs no benchmark and judges nothing beyond comparing figures with the issue's
goals. Parts whose raw files are missing (engine-capture.exe not built yet) are reported as skipped.

Usage: bench_report.py RAW_DIR OUT_DIR
RAW_DIR holds what bench.sh wrote: settings.txt, event_bench.txt, choreography_bench.txt,
choreography_edit_bench.txt, capture-memory.txt (tools/bench/capture_memory.py), edit_replay_bench.txt,
live_tools_frame_bench.txt, key_selection_bench.txt, for each pair P of presentation
runs baseline-P.csv, baseline-frames-P.csv, engine-frames-P.csv, engine-startup-P.csv and engine-capture-P.txt
(when the engine ran; an older run's unnumbered files are read as one pair), engine-frames-timer.csv,
one-frame.csv, per scale world N
scale-N-baseline.csv, scale-N-baseline-frames.csv and scale-N-engine-frames.csv, calls-engine.csv and
calls-baseline.csv (Direct3D calls per frame, tools/bench/d3d_calls.py) and pictures.txt (the pictures check).
"""

import csv
import math
import os
import re
import shutil
import statistics
import subprocess
import sys

import render_report  # noqa: E402  (beside this script)

# The phases of an engine frame as the capture tool's --stats names them, matched loosely so that the exact
# column titles ("logic_ms", "logic update (ms)", ...) do not matter.
PHASES = [
    ("logic", "logic update"),
    ("events", "event dispatch"),
    ("scene_update", "scene update"),
    ("render", "scene render submission"),
    ("overlay", "overlay"),
    ("present", "Present"),
]
UPDATE_PHASES = ("logic", "events", "scene_update")
# The goals the figures are held against.
THROUGHPUT_GOAL = 1.0        # engine frames per second / baseline's, at least
GROWTH_GOAL = 1.2            # per-actor cost at any count / at 100 actors, at most
AGAINST_BASELINE_GOAL = 1.0  # engine submission per actor / baseline's at 1,000 and 5,000 actors, at most
CHOREOGRAPHY_GOAL_US = 100.0  # the per-frame evaluation with 10,000 keys, at most
EDIT_PEAK_GOAL_MB = 1024
EDIT_GROWTH_GOAL = 1.5
EDIT_GOAL_MS = 5.0
CAPTURE_PEAK_GOAL_MB = 700   # a capture of a million-key file at 30 s, at most
# With 10,000 keys over 100 tracks: the panel's build a frame, and one stretch of them all.
PANEL_MANY_KEYS_GOAL_MS = 2.0
STRETCH_GOAL_MS = 50.0
SEEK_AT_55_MS = "60 to 90 ms on this machine kind"  # a seek to 55 s before the choreography was a file
# The parts of the engine's mesh pass as engine-capture.exe --submission writes them, in the order of a mesh's
# submission; the walk is what the timed parts leave of the pass.
SUBMISSION_PARTS = [
    ("walk_ms", "the walk with its matrix stack"),
    ("lookups_ms", "component look-ups (transform, mesh)"),
    ("constants_ms", "constants put together (matrices, inverse transpose, material)"),
    ("writes_ms", "constant writes (Map, copy, Unmap; the light's buffer)"),
    ("binds_ms", "binds and the binding record's checks"),
    ("draws_ms", "draw calls"),
]
STARTUP_PHASES = ["options", "window", "device", "textures", "shaders", "scene", "world", "first_frame"]


def read_rows(path):
    """Header and rows of a CSV file, or None when it does not exist or is empty."""
    if not os.path.isfile(path):
        return None
    with open(path, newline="") as f:
        rows = [row for row in csv.reader(f) if row and not row[0].lstrip().startswith("#")]
    if len(rows) < 1:
        return None
    return [h.strip() for h in rows[0]], rows[1:]


def number(text):
    try:
        value = float(text)
    except (TypeError, ValueError):
        return None
    return value if math.isfinite(value) else None


def unit_scale(name):
    """Factor that turns a column's values into milliseconds, from its name."""
    lowered = name.lower()
    if re.search(r"(\b|_|\()(us|µs|usec|micro)", lowered):
        return 0.001
    if re.search(r"(\b|_|\()ns\b", lowered):
        return 1e-6
    if re.search(r"(\b|_|\()ms\b|millis", lowered):
        return 1.0
    if re.search(r"(_s\b|\(s\)|seconds)", lowered):
        return 1000.0
    return 1.0


def classify(name):
    """Which figure an engine --stats column holds: a phase key, 'time', 'total', 'frame' or None."""
    n = name.lower()
    if "overlay" in n or "imgui" in n:
        return "overlay"
    if "present" in n and "presentation" not in n:
        return "present"
    if "event" in n or "dispatch" in n:
        return "events"
    if "logic" in n:
        return "logic"
    if "scene" in n and "update" in n:
        return "scene_update"
    if "render" in n or "submi" in n:
        return "render"
    if "total" in n or n in ("frame_ms", "frame_time_ms", "frame time (ms)", "cpu_ms"):
        return "total"
    if "time" in n or n in ("t", "seconds", "presentation"):
        return "time"
    if "frame" in n:
        return "frame"
    return None


def engine_frames(path):
    """Per-frame phase milliseconds from an engine --stats file: (list of dicts, column map) or (None, None)."""
    table = read_rows(path)
    if table is None:
        return None, None
    header, rows = table
    columns = {}
    for index, name in enumerate(header):
        kind = classify(name)
        if kind and kind not in columns:
            columns[kind] = (index, unit_scale(name) if kind not in ("time", "frame") else 1.0)
    frames = []
    for row in rows:
        frame = {}
        for kind, (index, scale) in columns.items():
            value = number(row[index]) if index < len(row) else None
            if value is not None:
                frame[kind] = value * scale
        phases = [frame[k] for k, _ in PHASES if k in frame]
        if not phases and "total" not in frame:
            continue
        frame.setdefault("total", sum(phases))
        frames.append(frame)
    return frames, columns


def baseline_frames(path):
    table = read_rows(path)
    if table is None:
        return None
    header, rows = table
    index = {name: i for i, name in enumerate(header)}
    frames = []
    for row in rows:
        submit = number(row[index["submit_ms"]]) if "submit_ms" in index else None
        present = number(row[index["present_ms"]]) if "present_ms" in index else None
        if submit is None or present is None:
            continue
        frames.append({"render": submit, "present": present, "total": submit + present})
    return frames


def summary(path):
    table = read_rows(path)
    if table is None or not table[1]:
        return None
    header, rows = table
    return {name: number(value) for name, value in zip(header, rows[0])}


def mean(frames, key, skip_first=True):
    """Mean of one figure over the frames, leaving out the first (it belongs to start-up)."""
    values = [f[key] for f in (frames[1:] if skip_first and len(frames) > 1 else frames) if key in f]
    return statistics.fmean(values) if values else None


def median(frames, key, skip_first=True):
    """Median of one figure over the frames, leaving out the first; a few slow frames (a neighbour's burst on
    the shared machine) move it less than the mean."""
    values = [f[key] for f in (frames[1:] if skip_first and len(frames) > 1 else frames) if key in f]
    return statistics.median(values) if values else None


def middle(values):
    """Median of the known values, or None."""
    known = [v for v in values if v is not None]
    return statistics.median(known) if known else None


def scale_runs(raw, n):
    """(engine frames, engine columns, baseline frames) of each pair of runs in the world of n actors, in the
    order they ran: scale-N-engine-frames-P.csv and scale-N-baseline-frames-P.csv for P = 1, 2, ..., or the
    single unnumbered pair an older run wrote."""
    names = [(f"scale-{n}-engine-frames-{p}.csv", f"scale-{n}-baseline-frames-{p}.csv") for p in range(1, 1000)]
    names = [pair for pair in names if any(os.path.isfile(os.path.join(raw, name)) for name in pair)]
    if not names:
        names = [(f"scale-{n}-engine-frames.csv", f"scale-{n}-baseline-frames.csv")]
    runs = []
    for engine_name, baseline_name in names:
        frames, columns = engine_frames(os.path.join(raw, engine_name))
        runs.append((frames, columns or {}, baseline_frames(os.path.join(raw, baseline_name))))
    return runs


def submission_parts(path):
    """Median µs per mesh of each part of the mesh pass, of the whole pass (pass_ms) and of the part timer
    (timer_ms), over the frames of an engine-capture.exe --submission file (the first left out); None without one."""
    table = read_rows(path)
    if table is None:
        return None
    header, rows = table
    if "meshes" not in header:
        return None
    frames = []
    for row in rows:
        values = {name: number(row[i]) for i, name in enumerate(header) if i < len(row)}
        meshes = values.get("meshes")
        if not meshes:
            continue
        frames.append({name: 1000.0 * value / meshes for name, value in values.items()
                       if name.endswith("_ms") and value is not None})
    if not frames:
        return None
    return {name: median(frames, name) for name in frames[-1]}


def read_submission_before(path):
    """{actors: {part: µs per mesh}} from a committed actors,part,us_per_mesh file, or {}."""
    table = read_rows(path)
    before = {}
    if table is None:
        return before
    for row in table[1]:
        if len(row) >= 3 and number(row[0]) is not None and number(row[2]) is not None:
            before.setdefault(int(number(row[0])), {})[row[1].strip()] = number(row[2])
    return before


def engine_world_phase(path):
    """(world ms, first frame ms) from the start-up line of an engine-capture.exe run's output, or Nones."""
    world = first = None
    if os.path.isfile(path):
        with open(path, errors="replace") as f:
            for line in f:
                if re.search(r"start-?up", line, re.IGNORECASE):
                    found = re.search(r"world\s+([\d.]+)\s*ms", line)
                    world = float(found.group(1)) if found else world
                    found = re.search(r"first frame\s+([\d.]+)\s*ms", line)
                    first = float(found.group(1)) if found else first
    return world, first


def scale_world_phases(raw, n):
    """Median over the pairs of (engine world, engine first frame, baseline world, baseline first frame), ms."""
    columns = [[], [], [], []]
    for p in range(1, 1000):
        engine_out = os.path.join(raw, f"scale-{n}-engine-{p}.txt")
        baseline_csv = os.path.join(raw, f"scale-{n}-baseline-{p}.csv")
        if not os.path.isfile(engine_out) and not os.path.isfile(baseline_csv):
            break
        world, first = engine_world_phase(engine_out)
        base = summary(baseline_csv) or {}
        for column, value in zip(columns, (world, first, base.get("world_ms"), base.get("first_frame_ms"))):
            column.append(value)
    return tuple(middle(column) for column in columns)


def read_settings(path):
    settings = {}
    if os.path.isfile(path):
        with open(path) as f:
            for line in f:
                if "=" in line:
                    key, value = line.strip().split("=", 1)
                    settings[key] = value
    return settings


def event_figures(path):
    """(label, manager ev/s, plain ev/s, ratio) per line of the event benchmark, and the clock read cost."""
    figures, clock = [], None
    if not os.path.isfile(path):
        return figures, clock
    pattern = re.compile(r"^(\S.*?)\s+manager\s+([\d.]+) ev/s\s+plain loop\s+([\d.]+) ev/s\s+ratio\s+([\d.]+)x")
    with open(path, errors="replace") as f:
        for line in f:
            match = pattern.match(line.rstrip())
            if match:
                figures.append((match.group(1), float(match.group(2)), float(match.group(3)), float(match.group(4))))
            clock_match = re.match(r"^budget clock\s+([\d.]+) ns per read", line)
            if clock_match:
                clock = float(clock_match.group(1))
    return figures, clock


def choreography_figures(path):
    """From the choreography benchmark: [(keys, MB, ms)] for the files read and [(case, mean, median, p99, worst)]
    in microseconds for the per-frame evaluation."""
    files, frames = [], []
    if not os.path.isfile(path):
        return files, frames
    file_pattern = re.compile(r"^choreography file, (\d+) keys: ([\d.]+) MB, read in ([\d.]+) ms")
    frame_pattern = re.compile(r"^per-frame evaluation, (.+?): mean ([\d.]+) us, median ([\d.]+) us, "
                               r"99th percentile ([\d.]+) us, worst ([\d.]+) us")
    with open(path, errors="replace") as f:
        for line in f:
            match = file_pattern.match(line)
            if match:
                files.append((int(match.group(1)), float(match.group(2)), float(match.group(3))))
            match = frame_pattern.match(line)
            if match:
                frames.append((match.group(1),) + tuple(float(match.group(i)) for i in range(2, 6)))
    return files, frames


def edit_figures(path):
    """From the million-key edit benchmark: {'keys', 'read_ms', 'after_reading_mb', 'after_edits_mb', 'edits',
    'median_ms', 'p99_ms', 'worst_ms'}, or None."""
    if not os.path.isfile(path):
        return None
    figures = {}
    memory = re.compile(r"^choreography edit, (\d+) keys: read in ([\d.]+) ms, peak ([\d.]+) MB after reading, "
                        r"([\d.]+) MB after (\d+) key edits")
    timing = re.compile(r"^choreography edit, \d+ keys: per edit median ([\d.]+) ms, 99th percentile ([\d.]+) ms, "
                        r"worst ([\d.]+) ms")
    with open(path, errors="replace") as f:
        for line in f:
            match = memory.match(line)
            if match:
                figures.update(keys=int(match.group(1)), read_ms=float(match.group(2)),
                               after_reading_mb=float(match.group(3)), after_edits_mb=float(match.group(4)),
                               edits=int(match.group(5)))
            match = timing.match(line)
            if match:
                figures.update(median_ms=float(match.group(1)), p99_ms=float(match.group(2)),
                               worst_ms=float(match.group(3)))
    return figures if len(figures) == 8 else None


def capture_memory_figures(path):
    """From tools/bench/capture_memory.py: [(what, peak MB, exit code)]."""
    rows = []
    if os.path.isfile(path):
        with open(path, errors="replace") as f:
            for line in f:
                parts = line.strip().split(",")
                if len(parts) == 4 and parts[0] == "capture memory":
                    rows.append((parts[1], int(parts[2]), int(parts[3])))
    return rows


def edit_replay_figures(path):
    """From the edit replay benchmark: [(what, median, fastest, slowest)] in milliseconds."""
    rows = []
    if os.path.isfile(path):
        pattern = re.compile(r"^replay, (.+?) at [\d.]+ s: median ([\d.]+) ms, fastest ([\d.]+) ms, slowest ([\d.]+) ms")
        with open(path, errors="replace") as f:
            for match in filter(None, map(pattern.match, f)):
                rows.append((match.group(1),) + tuple(float(match.group(i)) for i in range(2, 5)))
    return rows


def live_tools_figures(path):
    """From the live tools' frame benchmark: [(case, build, overlay, whole frame)] in milliseconds."""
    rows = []
    if os.path.isfile(path):
        pattern = re.compile(r"^live tools, (.+?): overlay build median ([\d.]+) ms, overlay frame median ([\d.]+) ms, "
                             r"whole frame median ([\d.]+) ms")
        with open(path, errors="replace") as f:
            for match in filter(None, map(pattern.match, f)):
                rows.append((match.group(1),) + tuple(float(match.group(i)) for i in range(2, 5)))
    return rows


def key_selection_figures(path):
    """From the key selection benchmark: (keys, tracks, median ms, slowest ms) of one stretch of them all, or None."""
    if os.path.isfile(path):
        pattern = re.compile(r"^key selection: stretching (\d+) keys over (\d+) tracks by 2, one edit: median ([\d.]+) ms, "
                             r"slowest ([\d.]+) ms")
        with open(path, errors="replace") as f:
            for match in filter(None, map(pattern.match, f)):
                return int(match.group(1)), int(match.group(2)), float(match.group(3)), float(match.group(4))
    return None


def throughput_runs(raw):
    """The presentation's runs, engine then baseline in turn, as pairs of file-name suffixes: "-1", "-2", ... for
    engine-frames-P.csv, engine-startup-P.csv, engine-capture-P.txt, baseline-P.csv and baseline-frames-P.csv,
    or the one unnumbered pair an older run wrote."""
    suffixes = []
    for p in range(1, 1000):
        if not any(os.path.isfile(os.path.join(raw, f"{name}-{p}.csv")) for name in ("engine-frames", "baseline-frames")):
            break
        suffixes.append(f"-{p}")
    return suffixes or [""]


def frames_per_second(frames):
    """Frames per second from the mean time per frame (the first frame left out), or None."""
    frame_ms = mean(frames, "total") if frames else None
    return 1000.0 / frame_ms if frame_ms else None


def median_run(raw, suffixes):
    """(the suffix of the pair whose engine / baseline frames per second is the median of the pairs', the pairs'
    ratios in the order they ran); the first pair when no ratio can be made."""
    ratios = []
    for suffix in suffixes:
        eng, _ = engine_frames(os.path.join(raw, f"engine-frames{suffix}.csv"))
        base = baseline_frames(os.path.join(raw, f"baseline-frames{suffix}.csv"))
        ratios.append(ratio(frames_per_second(eng), frames_per_second(base)))
    known = sorted((r, i) for i, r in enumerate(ratios) if r is not None)
    chosen = suffixes[known[(len(known) - 1) // 2][1]] if known else suffixes[0]
    return chosen, ratios


def engine_startup(raw, suffix=""):
    """Start-up phases the capture tool reported, in milliseconds: from startup.csv (phase,ms) if it wrote one,
    else from 'start-up' lines of its output such as 'start-up: options 1.2 ms, window 30.5 ms, ...'."""
    phases = {}
    table = read_rows(os.path.join(raw, f"engine-startup{suffix}.csv"))
    if table is not None:
        for row in [table[0]] + table[1]:
            if len(row) >= 2 and number(row[-1]) is not None:
                phases[row[0].strip().lower().replace(" ", "_")] = number(row[-1])
        return phases
    path = os.path.join(raw, f"engine-capture{suffix}.txt")
    if not os.path.isfile(path):
        return phases
    names = r"(options|window|device|textures|shaders|scene|world(?: load)?|first[ _]frame|total)"
    with open(path, errors="replace") as f:
        for line in f:
            if not re.search(r"start-?up", line, re.IGNORECASE):
                continue
            for name, value in re.findall(names + r"\s*[:=]?\s*([\d.]+)\s*ms", line, re.IGNORECASE):
                key = name.lower().replace(" load", "").replace(" ", "_")
                phases[key] = float(value)
            total = re.search(r"([\d.]+)\s*ms\s+from process start", line)
            if total:
                phases["total"] = float(total.group(1))
    return phases


def call_counts(path):
    """Calls per frame by name from a d3d_calls.py file, with its total; empty when there is none."""
    table = read_rows(path)
    if table is None:
        return {}
    return {row[0]: number(row[1]) for row in table[1] if len(row) >= 2 and number(row[1]) is not None}


def fmt(value, digits=2):
    if value is None:
        return "–"
    if abs(value) >= 1000:
        return f"{value:,.0f}"
    return f"{value:.{digits}f}"


def ratio(a, b):
    if a is None or b is None or b == 0:
        return None
    return a / b


class Results:
    """Every figure with what it is compared against and the ratio, for results.csv."""

    def __init__(self):
        self.rows = []

    def add(self, section, figure, value, unit, reference_name="", reference=None, goal=""):
        self.rows.append([section, figure, value, unit, reference_name, reference, ratio(value, reference), goal])

    def write(self, path):
        with open(path, "w", newline="") as f:
            writer = csv.writer(f)
            writer.writerow(["section", "figure", "value", "unit", "compared_with", "reference_value", "ratio", "goal"])
            for row in self.rows:
                writer.writerow([("" if v is None else (f"{v:.6g}" if isinstance(v, float) else v)) for v in row])


def chart(raw, out, throughput, scale_rows):
    """bench/chart.png: frames per second beside the baseline, and per-actor cost against actor count."""
    if shutil.which("gnuplot") is None:
        return "gnuplot is not installed (tools/setup.sh installs it), so there is no chart"
    bars = os.path.join(raw, "chart-throughput.dat")
    with open(bars, "w") as f:
        for label, value in throughput:
            f.write(f'"{label}" {value if value is not None else "NaN"}\n')
    lines = os.path.join(raw, "chart-scale.dat")
    with open(lines, "w") as f:
        f.write("# actors engine_update_us engine_render_us baseline_submit_us\n")
        for row in scale_rows:
            f.write(" ".join("NaN" if v is None else f"{v:.6g}" for v in row) + "\n")
    script = os.path.join(raw, "chart.gp")
    png = os.path.join(out, "chart.png")
    with open(script, "w") as f:
        f.write(f"""set terminal pngcairo size 1200,480 font "sans,10"
set output "{png}"
set multiplot layout 1,2
set title "Throughput at 1280 x 720, no vertical sync"
set style data histograms
set style fill solid 0.8 border -1
set boxwidth 0.6
set ylabel "frames per second"
set yrange [0:*]
set grid ytics
unset key
plot "{bars}" using 2:xtic(1) lc rgb "#4a7ab0"
set title "Scale: cost per actor per frame"
set style data linespoints
set logscale x
set xlabel "mesh actors"
set ylabel "microseconds per actor"
set key below
set xrange [5:10000]
plot "{lines}" using 1:2 title "engine update (logic, events, scene)" lw 2 pt 7, \\
     "" using 1:3 title "engine render submission" lw 2 pt 5, \\
     "" using 1:4 title "baseline render submission" lw 2 pt 9
unset multiplot
""")
    result = subprocess.run(["gnuplot", script], capture_output=True, text=True)
    if result.returncode != 0:
        return "gnuplot failed: " + result.stderr.strip().splitlines()[-1] if result.stderr.strip() else "gnuplot failed"
    return None


def scale_submission_sections(md, results, raw, out, counts, per_actor, pair_ratios):
    """The engine's submission per mesh by part beside the baseline's whole, before (bench/submission-before.csv)
    and now; and the world phase of each scale world. Writes this run's parts to OUT/submission.csv."""
    parts = {n: submission_parts(os.path.join(raw, f"scale-{n}-submission.csv")) for n in counts}
    before = read_submission_before(os.path.join(out, "submission-before.csv"))
    shown = [n for n in counts if parts.get(n) or before.get(n)]
    if shown:
        md.append("### Submission per mesh, by part\n")
        md.append("The engine's mesh pass split into its parts by `engine-capture.exe --submission` in a run of its "
                  "own after each world's pairs (the part timer is kept out of the pairs): the processor's time-stamp "
                  "counter read around each part of each mesh and summed per frame, turned into time with the pass's "
                  "own clock. The walk is what the timed parts leave of the pass; the part timer's own cost, measured "
                  "when it starts, is taken out of the parts and the walk and shown on its own. Median µs per mesh "
                  "over the frames; \"before\" is the committed `bench/submission-before.csv`, measured the same way "
                  "before the cuts. The baseline's row is its whole submission per mesh, from the pairs above.\n")
        heads = []
        for n in shown:
            heads += [f"{n:,} before", f"{n:,} now"]
        md.append("| part, µs per mesh | " + " | ".join(heads) + " |")
        md.append("|---|" + "---|" * len(heads))
        rows = SUBMISSION_PARTS + [("pass_ms", "**the engine's whole mesh pass**"), ("timer_ms", "part timer's own cost (not in the above)")]
        for key, label in rows:
            cells = []
            for n in shown:
                b = before.get(n, {}).get(key)
                now = (parts.get(n) or {}).get(key)
                cells += [fmt(b, 3), fmt(now, 3)]
                if now is not None:
                    results.add("submission", f"{label}, {n} actors", now, "us per mesh", "before", b)
            md.append(f"| {label} | " + " | ".join(cells) + " |")
        cells = []
        for n in shown:
            base = per_actor.get(n, (None, None, None))[2]
            cells += [fmt(before.get(n, {}).get("baseline_ms"), 3), fmt(base, 3)]
        md.append("| **the baseline's whole submission** | " + " | ".join(cells) + " |")
        md.append("")
        with open(os.path.join(out, "submission.csv"), "w") as f:
            f.write("actors,part,us_per_mesh\n")
            for n in shown:
                for key, value in sorted((parts.get(n) or {}).items()):
                    if value is not None:
                        f.write(f"{n},{key},{value:.4f}\n")
                base = per_actor.get(n, (None, None, None))[2]
                if base is not None:
                    f.write(f"{n},baseline_ms,{base:.4f}\n")
        left = []
        for n in (1000, 5000):
            against = middle(pair_ratios.get(n, []))
            found = parts.get(n)
            if against is not None and against > AGAINST_BASELINE_GOAL and found:
                key, label = max(SUBMISSION_PARTS, key=lambda part: found.get(part[0]) or 0.0)
                left.append(f"at {n:,} actors the largest part left is {label} ({found[key]:.3f} µs per mesh)")
        if left:
            md.append("Where the goal against the baseline is missed, " + "; ".join(left) + ".\n")

    phases = {n: scale_world_phases(raw, n) for n in counts}
    phases = {n: v for n, v in phases.items() if any(x is not None for x in v)}
    if phases:
        md.append("### World phase at scale\n")
        md.append("Loading each scale world and drawing its first frame, from the pairs' runs (median over the "
                  "pairs): the engine's world phase (engine logic and the world's actors, meshes and textures) and "
                  "first frame against the baseline's (goal at 5,000 actors: the engine no slower).\n")
        md.append("| actors | engine world ms | engine first frame ms | baseline world ms | baseline first frame ms "
                  "| engine / baseline, load to first frame |")
        md.append("|---|---|---|---|---|---|")
        for n, (ew, ef, bw, bf) in phases.items():
            e = None if ew is None else ew + (ef or 0.0)
            b = None if bw is None else bw + (bf or 0.0)
            md.append(f"| {n:,} | {fmt(ew, 1)} | {fmt(ef, 1)} | {fmt(bw, 1)} | {fmt(bf, 1)} | {fmt(ratio(e, b))} |")
            results.add("startup", f"world phase and first frame, {n} actors", e, "ms",
                        "baseline world phase and first frame", b, "<= 1" if n == 5000 else "")
        md.append("")


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 64
    raw, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    settings = read_settings(os.path.join(raw, "settings.txt"))
    results = Results()
    md = []
    skipped = []

    md.append("# Benchmark report\n")
    fps = number(settings.get("fps"))
    step = f"{1.0 / fps:g} s" if fps else "?"
    md.append(f"Measured {settings.get('date', '')} on {settings.get('machine', 'this machine')} under Wine "
              f"({settings.get('wine', 'Wine')}), software rendering; engine commit {settings.get('commit', '?')}. "
              f"Throughput: {settings.get('seconds', '?')} s of presentation on a fixed step of {step} "
              f"({settings.get('frames', '?')} frames; a frame's work does not depend on the step); scale worlds: "
              f"{settings.get('scale_frames', '?')} frames a run, {settings.get('scale_pairs', '1')} pairs of runs "
              f"each. Written by `./bench.sh`; the raw files are in `{settings.get('raw', 'build/bench/raw')}/`. "
              f"Figures are timings on a shared machine: compare ratios, not absolute values.\n")
    loads = [f"{settings[key]} at the start" if key == "load" else
             f"{settings[key]} before the world of {int(key[len('load_scale_'):]):,}" if key.startswith("load_scale_")
             else f"{settings[key]} at the end" for key in settings if key == "load" or key.startswith("load_scale_")
             or key == "load_after"]
    if loads:
        md.append("Load average (1, 5, 15 minutes): " + "; ".join(loads)
                  + (f". The whole run took {int(settings['wall_s']) / 60:.1f} minutes." if "wall_s" in settings else ".")
                  + "\n")

    # Throughput: the tables show the pair of runs with the median ratio, the line under them every pair's.
    suffixes = throughput_runs(raw)
    run, run_ratios = median_run(raw, suffixes)
    base_summary = summary(os.path.join(raw, f"baseline{run}.csv"))
    base_frames = baseline_frames(os.path.join(raw, f"baseline-frames{run}.csv"))
    eng_frames, eng_columns = engine_frames(os.path.join(raw, f"engine-frames{run}.csv"))
    base_frame_ms = mean(base_frames, "total") if base_frames else None
    base_fps = 1000.0 / base_frame_ms if base_frame_ms else None
    eng_frame_ms = mean(eng_frames, "total") if eng_frames else None
    eng_fps = 1000.0 / eng_frame_ms if eng_frame_ms else None
    md.append("## Throughput\n")
    if base_summary is None:
        md.append("The baseline did not run (see bench.sh's output).\n")
    if eng_frames is None:
        skipped.append("engine throughput and phases (engine-capture.exe was not available)")
    md.append("Frames per second from the mean CPU time per frame (all phases, `Present` included, first frame "
              "left out); the baseline's own wall-clock figure is beside it.\n")
    md.append("| figure | engine | baseline | engine / baseline | goal |")
    md.append("|---|---|---|---|---|")
    fps_ratio = ratio(eng_fps, base_fps)
    md.append(f"| frames per second | {fmt(eng_fps)} | {fmt(base_fps)} | {fmt(fps_ratio)} | ≥ {THROUGHPUT_GOAL:.2f} "
              f"{'' if fps_ratio is None else ('met' if fps_ratio >= THROUGHPUT_GOAL else 'not met')} |")
    md.append(f"| ms per frame | {fmt(eng_frame_ms, 3)} | {fmt(base_frame_ms, 3)} | {fmt(ratio(eng_frame_ms, base_frame_ms))} | |")
    if base_summary:
        md.append(f"| frames per second, wall clock | – | {fmt(base_summary.get('fps'))} | – | |")
        md.append(f"| world meshes drawn | – | {fmt(base_summary.get('meshes'), 0)} | – | |")
        md.append(f"| draws per frame | – | {fmt(base_summary.get('draws'), 0)} | – | |")
        md.append(f"| state changes per frame | – | {fmt(base_summary.get('state_changes'), 0)} | – | |")
    results.add("throughput", "frames per second", eng_fps, "1/s", "baseline frames per second", base_fps,
                f">= {THROUGHPUT_GOAL:g}")
    if len(suffixes) > 1:
        shown = [f"{r:.2f}" if r is not None else "–" for r in run_ratios]
        md.append(f"\nEngine against baseline, frames per second, in each of the {len(suffixes)} pairs of runs "
                  f"(engine, then baseline, in turn): {', '.join(shown)}. The tables show the pair with the median "
                  "ratio.")
    results.add("throughput", "ms per frame", eng_frame_ms, "ms", "baseline ms per frame", base_frame_ms)
    if base_summary:
        results.add("throughput", "baseline frames per second (wall clock)", base_summary.get("fps"), "1/s",
                    "baseline frames per second (CPU per frame)", base_fps)
    md.append("")
    md.append("Time per frame by phase, and each phase's share of the frame. The baseline has no logic, events, "
              "scene update or overlay; its submission is the whole frame before `Present`. Under Wine the "
              "drawing itself runs on a thread of its own, and the frame waits for it in whichever call first "
              "needs it done (the overlay's buffer upload or `Present`), so read those two together.\n")
    md.append("| phase | engine ms | share | baseline ms | share | engine / baseline |")
    md.append("|---|---|---|---|---|---|")
    for key, label in PHASES:
        e = mean(eng_frames, key) if eng_frames and key in (eng_columns or {}) else None
        b = mean(base_frames, key) if base_frames and key in ("render", "present") else None
        md.append(f"| {label} | {fmt(e, 3)} | {fmt(ratio(e, eng_frame_ms))} | {fmt(b, 3)} | {fmt(ratio(b, base_frame_ms))} "
                  f"| {fmt(ratio(e, b))} |")
        results.add("throughput", f"engine {label}", e, "ms", "engine ms per frame", eng_frame_ms)
        if b is not None:
            results.add("throughput", f"baseline {label}", b, "ms", "baseline ms per frame", base_frame_ms)
            results.add("throughput", f"{label}: engine against baseline", e, "ms", f"baseline {label}", b)
    timer_frames, _ = engine_frames(os.path.join(raw, "engine-frames-timer.csv"))
    if timer_frames and eng_frames:
        on_ms, on_render = mean(timer_frames, "total"), mean(timer_frames, "render")
        off_render = mean(eng_frames, "render")
        md.append("")
        md.append("The figures above are the engine's without its device timer, as the baseline runs. The timer's "
                  "own cost, from a second run of the engine with it on (a timestamp query after each pass and the "
                  "flush that sends it):\n")
        md.append("| figure | timer off | timer on | on / off |")
        md.append("|---|---|---|---|")
        md.append(f"| ms per frame | {fmt(eng_frame_ms, 3)} | {fmt(on_ms, 3)} | {fmt(ratio(on_ms, eng_frame_ms))} |")
        md.append(f"| scene render submission ms | {fmt(off_render, 3)} | {fmt(on_render, 3)} | "
                  f"{fmt(ratio(on_render, off_render))} |")
        results.add("throughput", "ms per frame with the device timer on", on_ms, "ms", "timer off", eng_frame_ms)
    md.append("")

    # Start-up.
    md.append("## Start-up\n")
    md.append("From process start to the first `Present`, by phase (the engine's order: options, window, device, "
              "textures, shaders, scene, world load; then the first frame). The baseline loads the two sky "
              "textures in its texture phase and everything the world names in its world phase.\n")
    eng_start = engine_startup(raw, run)
    if not eng_start:
        skipped.append("the engine's start-up split (engine-capture.exe did not report one)")
    base_total = base_summary.get("startup_ms") if base_summary else None
    eng_total = eng_start.get("total")
    md.append("| phase | engine ms | share | baseline ms | share | engine / baseline |")
    md.append("|---|---|---|---|---|---|")
    if base_summary and base_summary.get("process_to_main_ms") is not None:
        b = base_summary.get("process_to_main_ms")
        e = eng_start.get("process_to_main")
        md.append(f"| process start to main | {fmt(e, 1)} | {fmt(ratio(e, eng_total))} | {fmt(b, 1)} | "
                  f"{fmt(ratio(b, base_total))} | {fmt(ratio(e, b))} |")
    for phase in STARTUP_PHASES:
        b = base_summary.get(phase + "_ms") if base_summary else None
        e = eng_start.get(phase)
        md.append(f"| {phase.replace('_', ' ')} | {fmt(e, 1)} | {fmt(ratio(e, eng_total))} | {fmt(b, 1)} | "
                  f"{fmt(ratio(b, base_total))} | {fmt(ratio(e, b))} |")
        results.add("startup", f"engine {phase}", e, "ms", "engine start-up", eng_total)
        results.add("startup", f"baseline {phase}", b, "ms", "baseline start-up", base_total)
    md.append(f"| **total** | {fmt(eng_total, 1)} | | {fmt(base_total, 1)} | | {fmt(ratio(eng_total, base_total))} |")
    results.add("startup", "start-up to first Present", eng_total, "ms", "baseline start-up", base_total)
    one_frame = read_rows(os.path.join(raw, "one-frame.csv"))
    if one_frame is not None:
        walls = {row[0]: number(row[1]) for row in one_frame[1] if len(row) >= 2}
        e, b = walls.get("engine"), walls.get("baseline")
        md.append("")
        md.append("Seen from outside (best of three): launching the program under Wine, starting up, one frame and "
                  "shutting down.\n")
        md.append("| figure | engine | baseline | engine / baseline |")
        md.append("|---|---|---|---|")
        md.append(f"| one-frame run, wall clock ms | {fmt(e, 0)} | {fmt(b, 0)} | {fmt(ratio(e, b))} |")
        results.add("startup", "one-frame run (launch to exit)", e, "ms", "baseline one-frame run", b)
    md.append("")

    # Scale.
    md.append("## Scale\n")
    counts = [int(c) for c in settings.get("scale_counts", "").split()] if settings.get("scale_counts") else []
    md.append("Generated worlds of textured blocks (`scale_world`), one light. Each world runs engine and baseline "
              "in turn, several times (pairs); a run's figure is its median frame (the first left out), a column's "
              "the median over the runs, and the engine against the baseline is the median of the pairs' ratios "
              "with their smallest and largest. The ratio to 100 actors compares the per-actor cost (goal: within "
              f"{GROWTH_GOAL:g}x up to 5,000; and the engine's submission within {AGAINST_BASELINE_GOAL:g}x of the "
              "baseline's at 1,000 and 5,000).\n")
    md.append("| actors | pairs | engine update ms | per actor µs | × at 100 | engine submission ms | per actor µs "
              "| × at 100 | baseline submission ms | per actor µs | engine / baseline submission | pairs' range |")
    md.append("|---|---|---|---|---|---|---|---|---|---|---|---|")
    per_actor = {}
    pair_ratios = {}
    scale_rows = []
    whole_frames = {}
    for n in counts:
        runs = scale_runs(raw, n)
        updates, renders, bsubmits, etotals, btotals, ratios = [], [], [], [], [], []
        for frames, columns, bframes in runs:
            parts = [median(frames, k) for k in UPDATE_PHASES if k in columns] if frames else []
            update = sum(parts) if parts else None
            render = median(frames, "render") if frames and "render" in columns else None
            bsubmit = median(bframes, "render") if bframes else None
            updates.append(update)
            renders.append(render)
            bsubmits.append(bsubmit)
            etotals.append(median(frames, "total") if frames else None)
            btotals.append(median(bframes, "total") if bframes else None)
            ratios.append(ratio(render, bsubmit))
        update, render, bsubmit = middle(updates), middle(renders), middle(bsubmits)
        pair_ratios[n] = [r for r in ratios if r is not None]
        whole_frames[n] = (middle(etotals), middle(btotals))
        per_actor[n] = tuple(None if v is None else 1000.0 * v / n for v in (update, render, bsubmit))
        scale_rows.append((n,) + per_actor[n])
    reference = per_actor.get(100, (None, None, None))
    scale_missing = False
    for n in counts:
        update_us, render_us, base_us = per_actor[n]
        frames_known = update_us is not None or render_us is not None
        scale_missing = scale_missing or not frames_known
        u_ratio = ratio(update_us, reference[0])
        r_ratio = ratio(render_us, reference[1])
        against, spread = middle(pair_ratios[n]), pair_ratios[n]
        md.append(f"| {n:,} | {len(spread)} | {fmt(None if update_us is None else update_us * n / 1000.0, 3)} | "
                  f"{fmt(update_us)} | {fmt(u_ratio)} | {fmt(None if render_us is None else render_us * n / 1000.0, 3)} "
                  f"| {fmt(render_us)} | {fmt(r_ratio)} | {fmt(None if base_us is None else base_us * n / 1000.0, 3)} | "
                  f"{fmt(base_us)} | {fmt(against)} | "
                  f"{f'{min(spread):.2f} to {max(spread):.2f}' if spread else '–'} |")
        results.add("scale", f"engine update per actor, {n} actors", update_us, "us", "same at 100 actors", reference[0],
                    f"<= {GROWTH_GOAL:g} up to 5000")
        results.add("scale", f"engine submission per actor, {n} actors", render_us, "us", "same at 100 actors",
                    reference[1], f"<= {GROWTH_GOAL:g} up to 5000")
        results.add("scale", f"baseline submission per actor, {n} actors", base_us, "us", "same at 100 actors",
                    reference[2])
        results.add("scale", f"engine against baseline submission, {n} actors (median of pairs)", against, "x",
                    "", None, f"<= {AGAINST_BASELINE_GOAL:g}" if n in (1000, 5000) else "")
        if spread:
            results.add("scale", f"engine against baseline submission, {n} actors, smallest pair", min(spread), "x")
            results.add("scale", f"engine against baseline submission, {n} actors, largest pair", max(spread), "x")
    if scale_missing:
        skipped.append("the engine's scale runs (engine-capture.exe was not available)")
    md.append("")
    md.append("Whole frames in the same worlds. Under Wine the driver's work for each draw call happens behind "
              "`Present` (Direct3D is translated to OpenGL on a thread of its own), so frame time grows with the "
              "number of draws even where submission stays cheap.\n")
    md.append("| actors | engine ms per frame | frames per second | baseline ms per frame | frames per second "
              "| engine / baseline frames per second |")
    md.append("|---|---|---|---|---|---|")
    for n in counts:
        e_ms, b_ms = whole_frames[n]
        e_fps = 1000.0 / e_ms if e_ms else None
        b_fps = 1000.0 / b_ms if b_ms else None
        md.append(f"| {n:,} | {fmt(e_ms, 1)} | {fmt(e_fps)} | {fmt(b_ms, 1)} | {fmt(b_fps)} | {fmt(ratio(e_fps, b_fps))} |")
        results.add("scale", f"frames per second, {n} actors", e_fps, "1/s", "baseline frames per second", b_fps)
        results.add("scale", f"baseline frames per second, {n} actors", b_fps, "1/s", "same at 100 actors",
                    None if whole_frames.get(100, (None, None))[1] is None else 1000.0 / whole_frames[100][1])
    worst = [r for r in (ratio(per_actor[n][k], reference[k]) for n in counts if n >= 100 for k in (0, 1)) if r is not None]
    if worst:
        md.append(f"\nLargest per-actor growth from 100 actors: {max(worst):.2f}x (goal: at most {GROWTH_GOAL:g}x) — "
                  f"{'met' if max(worst) <= GROWTH_GOAL else 'not met'}.")
    against = [(n, middle(pair_ratios[n])) for n in counts if n in (1000, 5000)]
    against = [(n, r) for n, r in against if r is not None]
    if against:
        md.append("\nEngine submission per actor against the baseline's (median of the pairs): "
                  + ", ".join(f"{r:.2f}x at {n:,} ({min(pair_ratios[n]):.2f} to {max(pair_ratios[n]):.2f})"
                              for n, r in against)
                  + f" (goal: at most {AGAINST_BASELINE_GOAL:g}x) — "
                  + f"{'met' if all(r <= AGAINST_BASELINE_GOAL for _, r in against) else 'not met'}.")
    md.append("")
    scale_submission_sections(md, results, raw, out, counts, per_actor, pair_ratios)

    # Direct3D calls.
    engine_calls = call_counts(os.path.join(raw, "calls-engine.csv"))
    baseline_calls = call_counts(os.path.join(raw, "calls-baseline.csv"))
    if engine_calls or baseline_calls:
        actors = settings.get("calls_actors", "?")
        md.append("## Direct3D calls per frame\n")
        md.append(f"Calls on the device context per frame in the world of {actors} actors, counted from Wine's trace "
                  "of every call (`tools/bench/d3d_calls.py`; frames 3 and on). Under Wine each call becomes a "
                  "command for the rendering thread.\n")
        md.append("| call | engine | baseline | engine / baseline |")
        md.append("|---|---|---|---|")
        names = sorted((set(engine_calls) | set(baseline_calls)) - {"total"},
                       key=lambda name: (-engine_calls.get(name, 0), -baseline_calls.get(name, 0), name)) + ["total"]
        for name in names:
            e, b = engine_calls.get(name), baseline_calls.get(name)
            md.append(f"| {'**total**' if name == 'total' else name} | {fmt(e, 0)} | {fmt(b, 0)} | {fmt(ratio(e, b))} |")
            results.add("calls", f"{name} per frame, {actors} actors", e, "calls", "baseline calls per frame", b)
        meshes = number(actors)
        e_total, b_total = engine_calls.get("total"), baseline_calls.get("total")
        if meshes and e_total is not None and b_total is not None:
            # Each actor of a scale world is one mesh (the light draws nothing): the frame's calls over its meshes,
            # the sky, post pass and per-frame state included.
            e_per, b_per = e_total / meshes, b_total / meshes
            md.append(f"\nCalls per mesh (the frame's calls over its {meshes:,.0f} meshes): engine {e_per:.2f}, "
                      f"baseline {b_per:.2f} (goal: fewer than the baseline's) — "
                      f"{'met' if e_per < b_per else 'not met'}.")
            results.add("calls", f"calls per mesh, {actors} actors", e_per, "calls", "baseline calls per mesh", b_per,
                        "< 1")
        md.append("")
    else:
        skipped.append("the Direct3D call counts (no trace)")

    pictures = os.path.join(raw, "pictures.txt")
    if os.path.isfile(pictures):
        with open(pictures, errors="replace") as f:
            verdict = f.read().strip().splitlines()
        md.append("## Pictures\n")
        md.append("The presentation at the README's moments against `tests/tools/reference-pictures.txt` "
                  f"(`tools/capture/reference_pictures.py`): {verdict[-1] if verdict else 'no result'}.\n")

    # Events.
    md.append("## Event manager\n")
    figures, clock = event_figures(os.path.join(raw, "event_bench.txt"))
    if figures:
        md.append("`event_bench` under Wine: events per second through the event manager against a plain loop over "
                  "function pointers (best of five; ratio = manager time / plain loop time).\n")
        md.append("| case | manager events/s | plain loop events/s | manager time / plain time |")
        md.append("|---|---|---|---|")
        for label, manager, plain, r in figures:
            md.append(f"| {label} | {manager:,.0f} | {plain:,.0f} | {r:.2f} |")
            results.add("events", label, manager, "events/s", "plain loop events/s", plain)
        if clock is not None:
            md.append(f"\nThe budget clock costs {clock:.1f} ns per read.")
            results.add("events", "budget clock read", clock, "ns")
    else:
        skipped.append("the event benchmark (no output)")
    md.append("")

    # The choreography.
    files, frames = choreography_figures(os.path.join(raw, "choreography_bench.txt"))
    if frames:
        md.append("## Choreography\n")
        md.append("`choreography_bench` under Wine: the scripted scene's update per frame (travelling value, camera "
                  "segments and tracks, actor rows and tracks, moves queued) over the whole presentation at 60 frames "
                  f"a second; goal: under {CHOREOGRAPHY_GOAL_US:.0f} µs with 10,000 keys.\n")
        md.append("| choreography | mean µs | median µs | 99th percentile µs | worst µs |")
        md.append("|---|---|---|---|---|")
        for case, average, typical, p99, worst in frames:
            md.append(f"| {case} | {average:.2f} | {typical:.2f} | {p99:.2f} | {worst:.2f} |")
            goal = f"under {CHOREOGRAPHY_GOAL_US:.0f} µs" if case == "10000 keys" else ""
            if case == "10000 bezier keys":
                mixed = next((mean for name, mean, *_ in frames if name == "10000 keys"), None)
                goal = f"at most 1.5x the mixed modes' ({1.5 * mixed:.2f} µs)" if mixed else ""
            results.add("choreography", f"per-frame evaluation, {case}", average, "µs", goal=goal)
        for keys, megabytes, ms in files:
            md.append(f"\nA file of {keys:,} keys ({megabytes:.1f} MB) is read in {ms:.1f} ms.")
            results.add("choreography", f"file of {keys} keys read", ms, "ms")
        replays = edit_replay_figures(os.path.join(raw, "edit_replay_bench.txt"))
        if replays:
            md.append("\n`edit_replay_bench` under Wine: the presentation as engine.exe runs it, at 55 s, plays the "
                      "choreography again, unchanged (what a seek does) and edited (what the timeline panel or a "
                      f"reloaded file does); goal: an edit costs no more than a seek there ({SEEK_AT_55_MS}).\n")
            md.append("| replay at 55 s | median ms | fastest ms | slowest ms |")
            md.append("|---|---|---|---|")
            for what, typical, fastest, slowest in replays:
                md.append(f"| {what} | {typical:.1f} | {fastest:.1f} | {slowest:.1f} |")
                results.add("choreography", f"replay at 55 s, {what}", typical, "ms")
        live = live_tools_figures(os.path.join(raw, "live_tools_frame_bench.txt"))
        if live:
            md.append("\n`live_tools_frame_bench` under Wine: the presentation as engine.exe runs it with the controls, "
                      "paused at 30 s in an 800 x 600 window, in turns: nothing open, fly mode on (no key held), and "
                      "the timeline panel open showing all 58 s. The build is the overlay's windows and fly mode's "
                      "input on the CPU; the overlay frame adds the back-end's submission of their vertices, which "
                      "with Wine's software device waits there for the scene's drawing (otherwise waited for in "
                      "Present); the whole frame runs to the end of Present.\n")
            md.append("| live tools | build ms | overlay frame ms | whole frame ms |")
            md.append("|---|---|---|---|")
            for case, build, overlay, whole in live:
                md.append(f"| {case} | {build:.3f} | {overlay:.2f} | {whole:.1f} |")
                many = "keys over" in case and case.startswith("panel open")
                results.add("live tools", f"{case}, overlay build", build, "ms",
                            goal=f"at most {PANEL_MANY_KEYS_GOAL_MS:.0f} ms" if many else "")
                results.add("live tools", f"{case}, whole frame", whole, "ms")
        stretch = key_selection_figures(os.path.join(raw, "key_selection_bench.txt"))
        if stretch:
            keys, tracks, stretch_ms, slowest_ms = stretch
            md.append(f"\n`key_selection_bench`: {keys:,} selected keys over {tracks} tracks stretched by 2 in one edit "
                      f"(new times, the handles' clamp, the check, the undo step); goal: at most "
                      f"{STRETCH_GOAL_MS:.0f} ms. Median {stretch_ms:.2f} ms, slowest {slowest_ms:.2f} ms.\n")
            results.add("live tools", f"stretching {keys:,} keys, one edit (median)", stretch_ms, "ms",
                        goal=f"at most {STRETCH_GOAL_MS:.0f} ms")
        edits = edit_figures(os.path.join(raw, "choreography_edit_bench.txt"))
        if edits:
            md.append(f"\n`choreography_edit_bench` under Wine: the timeline's document with a file of "
                      f"{edits['keys']:,} keys on 120 tracks, read, then edited {edits['edits']} times, one key each "
                      "(copy, change, check, undo step, the frame's checks and the autosave's tick); goals: under "
                      f"{EDIT_PEAK_GOAL_MB:,} MB after reading, under {EDIT_GROWTH_GOAL}x that after the edits, under "
                      f"{EDIT_GOAL_MS:.0f} ms per edit.\n")
            growth = edits["after_edits_mb"] / edits["after_reading_mb"]
            md.append("| million-key file | figure |")
            md.append("|---|---|")
            md.append(f"| read | {edits['read_ms']:.0f} ms |")
            md.append(f"| peak memory after reading | {edits['after_reading_mb']:.0f} MB |")
            md.append(f"| peak memory after {edits['edits']} key edits | {edits['after_edits_mb']:.0f} MB "
                      f"({growth:.2f}x) |")
            md.append(f"| per edit: median, 99th percentile, worst | {edits['median_ms']:.2f}, "
                      f"{edits['p99_ms']:.2f}, {edits['worst_ms']:.2f} ms |")
            results.add("choreography", "million-key file, peak after reading", edits["after_reading_mb"], "MB",
                        goal=f"under {EDIT_PEAK_GOAL_MB} MB")
            results.add("choreography", "million-key file, peak after the edits", edits["after_edits_mb"], "MB",
                        "peak after reading", edits["after_reading_mb"], goal=f"under {EDIT_GROWTH_GOAL}x")
            results.add("choreography", "million-key file, per key edit (median)", edits["median_ms"], "ms",
                        goal=f"under {EDIT_GOAL_MS:.0f} ms")
        captures = capture_memory_figures(os.path.join(raw, "capture-memory.txt"))
        if captures:
            md.append("\n`tools/bench/capture_memory.py`: the peak memory (resident high-water mark of the Wine "
                      "process) of `engine-capture.exe --at 30 --size 320x180`, of the compiled-in presentation and "
                      f"with `--choreography` a file of a million keys on 120 tracks; goal for the file: under "
                      f"{CAPTURE_PEAK_GOAL_MB} MB.\n")
            md.append("| capture at 30 s | peak memory |")
            md.append("|---|---|")
            for what, megabytes, code in captures:
                failed = "" if code == 0 else f" (exit code {code})"
                md.append(f"| {what} | {megabytes:,} MB{failed} |")
                results.add("choreography", f"capture at 30 s, {what}, peak memory", megabytes, "MB",
                            goal=f"under {CAPTURE_PEAK_GOAL_MB} MB" if what == "million-key file" else "")
        md.append("")
    else:
        skipped.append("the choreography benchmark (no output)")

    render_md, render_skipped = render_report.section(raw, results)
    md.extend(render_md)
    skipped.extend(render_skipped)

    problem = chart(raw, out, [("engine", eng_fps), ("baseline", base_fps)], scale_rows)
    md.insert(2, "![Throughput and cost per actor](chart.png)\n" if problem is None else f"({problem}.)\n")
    if skipped:
        md.append("## Not measured in this run\n")
        for item in skipped:
            md.append(f"- {item}")
        md.append("")

    results.write(os.path.join(out, "results.csv"))
    with open(os.path.join(out, "REPORT.md"), "w") as f:
        f.write("\n".join(md).rstrip() + "\n")
    print(f"bench: wrote {os.path.join(out, 'REPORT.md')}, results.csv" + ("" if problem else " and chart.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
