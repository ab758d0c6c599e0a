#!/usr/bin/env python3
"""Reads the memory samples of a soak run (engine-capture.exe --memory) and decides whether memory grows.

A figure counts as growing only when both tests agree, which keeps one noisy sample or a late one-off
allocation from failing a run:
  1. the least-squares slope over the samples after the warm-up exceeds its limit (per presentation minute);
  2. the median of the last window exceeds the median of the first window after the warm-up by more than a
     margin.
The warm-up (default: the first 120 s of presentation time, two passes of the presentation) is left out,
because the first passes allocate for good: the overlay's device objects on the first frame, driver caches,
the second sky's first use at 44 s; in a measured run the private bytes settled after about two minutes.

Writes a summary (and, with --chart, a PNG drawn by gnuplot) and exits 1 when a figure grows, 2 when the file
cannot be judged (too few samples), 0 otherwise. It does not run anything itself; tools/soak/soak.sh does.
"""
import argparse
import csv
import shutil
import statistics
import subprocess
import sys

# Limits per figure: (column, unit, slope limit per minute, margin between the windows' medians).
# Private bytes: a leak of 3 KB per frame at the soak's 2 frames per second is 360 KB per minute, over the
# limit of 256; after the warm-up the private bytes of a steady run wander by about a megabyte, which moves
# the slope over ten minutes by far less (see docs/reliability.md, Soak, for a measured run).
FIGURES = [
    ("private_kb", "KB", 256.0, 1024.0),
    ("working_set_kb", "KB", 256.0, 2048.0),
    ("video_kb", "KB", 256.0, 1024.0),
    ("handles", "handles", 2.0, 8.0),
    ("gdi_objects", "objects", 2.0, 8.0),
    ("user_objects", "objects", 2.0, 8.0),
]


def read_samples(path):
    with open(path, newline="") as handle:
        rows = list(csv.DictReader(handle))
    samples = []
    for row in rows:
        try:
            samples.append({key: float(value) for key, value in row.items()})
        except (TypeError, ValueError):
            raise SystemExit(f"{path}: malformed row {row}")
    return samples


def slope_per_minute(times, values):
    """Least-squares slope of values against times (seconds), per minute."""
    n = len(times)
    mean_t = sum(times) / n
    mean_v = sum(values) / n
    spread = sum((t - mean_t) ** 2 for t in times)
    if spread == 0:
        return 0.0
    return 60.0 * sum((t - mean_t) * (v - mean_v) for t, v in zip(times, values)) / spread


def judge(samples, warmup_s, window_s, tolerance=1.0):
    """Returns (verdicts, judged) where verdicts holds one dict per figure present in the samples. `tolerance`
    multiplies every slope limit and margin."""
    judged = [s for s in samples if s["time_s"] >= warmup_s]
    verdicts = []
    if len(judged) < 4:
        return verdicts, judged
    # Short runs (the two-minute soak) get windows of a third of the judged span, so the two never overlap.
    window_s = min(window_s, (judged[-1]["time_s"] - judged[0]["time_s"]) / 3)
    first_end = judged[0]["time_s"] + window_s
    last_start = judged[-1]["time_s"] - window_s
    first = [s for s in judged if s["time_s"] <= first_end]
    last = [s for s in judged if s["time_s"] >= last_start]
    for column, unit, slope_limit, margin in FIGURES:
        slope_limit *= tolerance
        margin *= tolerance
        if column not in judged[0] or any(s[column] < 0 for s in judged):
            continue   # the adapter gives no video figure, for instance
        slope = slope_per_minute([s["time_s"] for s in judged], [s[column] for s in judged])
        rise = statistics.median(s[column] for s in last) - statistics.median(s[column] for s in first)
        verdicts.append({
            "figure": column, "unit": unit, "slope": slope, "slope_limit": slope_limit, "rise": rise,
            "margin": margin, "start": samples[0][column], "end": samples[-1][column],
            "grows": slope > slope_limit and rise > margin,
        })
    return verdicts, judged


def draw_chart(samples, path, title):
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        print("analyse_memory: gnuplot is missing, no chart", file=sys.stderr)
        return
    data = "\n".join(
        f"{s['time_s'] / 60:.4f} {s['private_kb'] / 1024:.3f} {s['working_set_kb'] / 1024:.3f} "
        f"{max(s.get('video_kb', -1), 0) / 1024:.3f} {s.get('handles', 0):.0f}" for s in samples)
    script = f"""
set terminal pngcairo size 1000,560 font ',10'
set output '{path}'
set title '{title}'
set xlabel 'presentation time (minutes)'
set ylabel 'MB'
set y2label 'handles'
set y2tics
set ytics nomirror
set key below
set grid
$d << EOD
{data}
EOD
plot $d using 1:2 with lines lw 2 title 'private bytes', \\
     $d using 1:3 with lines lw 2 title 'working set', \\
     $d using 1:4 with lines lw 2 title 'video memory (adapter report)', \\
     $d using 1:5 axes x1y2 with lines dt 2 title 'kernel handles'
"""
    subprocess.run([gnuplot], input=script, text=True, check=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("memory_csv")
    parser.add_argument("--warmup", type=float, default=120.0, help="seconds of presentation time left out")
    parser.add_argument("--window", type=float, default=60.0, help="seconds in the first and last window")
    parser.add_argument("--tolerance", type=float, default=1.0,
                        help="multiplies every limit and margin: a short run cannot tell a late one-off "
                             "allocation from growth, so it only looks for gross leaks")
    parser.add_argument("--chart", help="PNG to draw with gnuplot")
    parser.add_argument("--summary", help="file for the summary (it is printed as well)")
    args = parser.parse_args()

    samples = read_samples(args.memory_csv)
    verdicts, judged = judge(samples, args.warmup, args.window, args.tolerance)
    if not verdicts:
        print(f"{args.memory_csv}: {len(judged)} samples after the {args.warmup:g} s warm-up; too few to judge",
              file=sys.stderr)
        return 2

    lines = [
        f"soak: {samples[-1]['time_s']:.1f} s of presentation time, {int(samples[-1]['frame']) + 1}+ frames, "
        f"{samples[-1]['wall_s']:.1f} s wall time, {len(samples)} samples ({len(judged)} after the "
        f"{args.warmup:g} s warm-up)",
    ]
    for v in verdicts:
        lines.append(
            f"  {v['figure']:<15} start {v['start']:>10.0f}  end {v['end']:>10.0f} {v['unit']:<8} "
            f"slope {v['slope']:>9.1f} {v['unit']}/min (limit {v['slope_limit']:g})  "
            f"last-window median - first {v['rise']:>8.0f} (margin {v['margin']:g})  "
            f"{'GROWS' if v['grows'] else 'steady'}")
    growing = [v["figure"] for v in verdicts if v["grows"]]
    lines.append("verdict: " + ("memory grows: " + ", ".join(growing) if growing else "no steady growth"))
    text = "\n".join(lines)
    print(text)
    if args.summary:
        with open(args.summary, "w") as handle:
            handle.write(text + "\n")
    if args.chart:
        draw_chart(samples, args.chart, "Soak: memory over presentation time")
    return 1 if growing else 0


if __name__ == "__main__":
    sys.exit(main())
