"""The report's section on the studio render, from RAW/render-costs.txt (tools/bench/render_costs.py): the render
pipeline against the drawing alone, a chunk against the same frames inside a run, the memory of a 4K
supersampled render and the farm's wall time with one and two workers. Imported by bench_report.py."""

import os
import re
import statistics

PIPELINE_GOAL = 1.10   # the render pipeline's frame time within 10% of the drawing's
CHUNK_GOAL = 1.2       # a chunk of 60 frames within 1.2x the same frames inside a run


def read_costs(path):
    rows = []
    if os.path.isfile(path):
        with open(path) as f:
            rows = [line.rstrip("\n").split(",") for line in f if line.strip()]
    return rows


def farm_figures(summary):
    """The figures of the farm's closing line ('... drawn in 49.7 s wall time, 95.0 s of chunk time summed ...'):
    {'wall': 49.7, 'chunks': 95.0}, without what the line lacks."""
    figures = {}
    for name, pattern in (("wall", r"([0-9.]+) s wall time"), ("chunks", r"([0-9.]+) s of chunk time")):
        found = re.search(pattern, summary)
        if found:
            figures[name] = float(found.group(1))
    return figures


def section(raw, results):
    """(Markdown lines, what was skipped)."""
    rows = read_costs(os.path.join(raw, "render-costs.txt"))
    if not rows:
        return [], ["the studio render's costs (no render-costs.txt)"]
    md = ["## Studio render\n",
          "`tools/bench/render_costs.py` under Wine (see [Rendering like a studio](../docs/render.md)); wall clock "
          "from launch to exit unless said otherwise.\n"]

    pairs = {}
    for row in rows:
        if row[0] == "pipeline" and len(row) >= 5 and row[4] == "0":
            pairs.setdefault(row[1], {})[row[2]] = float(row[3])
    # A pair counts only with both of its runs: a failed run takes its partner out too.
    complete = [p for p in pairs.values() if "render" in p and "alone" in p]
    ratios = [p["render"] / p["alone"] for p in complete]
    if ratios:
        alone = statistics.median(p["alone"] for p in complete)
        render = statistics.median(p["render"] for p in complete)
        ratio = statistics.median(ratios)
        md.append("| render pipeline, 1280 x 720, 601 frames | drawing alone s | drawing, read back and encoded "
                  "lossless s | render / drawing |")
        md.append("|---|---|---|---|")
        md.append(f"| median of {len(ratios)} pairs | {alone:.1f} | {render:.1f} | {ratio:.2f} "
                  f"(pairs {', '.join(f'{r:.2f}' for r in ratios)}; goal at most {PIPELINE_GOAL:.2f}) |\n")
        results.add("render", "render pipeline against the drawing alone", render, "s", "drawing alone s", alone,
                    goal=f"at most {PIPELINE_GOAL:.2f}x")

    chunks = {}
    for row in rows:
        if row[0] == "chunk" and len(row) >= 4 and row[2]:
            chunks.setdefault(row[1], []).append((float(row[2]), float(row[3])))
    if chunks:
        md.append("| 60 frames at 1280 x 720 | inside a run s | as a chunk of their own s | chunk / inside |")
        md.append("|---|---|---|---|")
        for label, runs in chunks.items():
            shares = [run[1] / run[0] for run in runs]
            # The times shown are the pair whose ratio is the median (the lower of two), so that they give it.
            inside, alone = sorted(runs, key=lambda run: run[1] / run[0])[(len(runs) - 1) // 2]
            share = alone / inside
            each = f" (pairs {', '.join(f'{s:.2f}' for s in shares)})" if len(shares) > 1 else ""
            md.append(f"| {label}{', median of %d pairs' % len(runs) if len(runs) > 1 else ''} | {inside:.1f} | "
                      f"{alone:.1f} | {share:.2f}{each}; goal at most {CHUNK_GOAL} |")
            results.add("render", f"chunk of 60 frames, {label}", alone, "s", "inside a run s", inside,
                        goal=f"at most {CHUNK_GOAL}x")
        md.append("")

    for row in rows:
        if row[0] == "memory" and len(row) >= 3 and row[2]:
            note = " (another run of the bench was larger: not this render's own peak)" if row[3] else ""
            md.append(f"Peak memory of a render at 3840 x 2160 with `--supersample 2` (7680 x 4320 drawn): "
                      f"{int(row[2]):,} MB{note}.\n")
            results.add("render", "peak memory, 3840 x 2160 supersampled 2", float(row[2]), "MB")

    farms = [row for row in rows if row[0] == "farm" and len(row) >= 4]
    if farms and farms[0][1] != "missing":
        md.append("| farm, 640 x 360, supersampled 2, 4 s in chunks of 60 frames | wall s | sum of chunk times s |")
        md.append("|---|---|---|")
        for row in farms:
            figures = farm_figures(",".join(row[3:]))
            md.append(f"| {row[1]} local worker{'s' if row[1] != '1' else ''} | {figures.get('wall', float('nan')):.1f}"
                      f" | {figures.get('chunks', float('nan')):.1f} |")
            if "wall" in figures:
                results.add("render", f"farm wall time, {row[1]} local workers", figures["wall"], "s")
        md.append("")
    return md, []
