#!/usr/bin/env python3
"""The studio render's costs, for ./bench.sh: each figure as raw lines in RAW/render-costs.txt, which
tools/bench/render_report.py turns into the report's section.

  pipeline   frames per second of the render pipeline (engine-capture.exe --stream into a lossless
             encoder) against the drawing alone (a play-through that saves nothing), alternating, PAIRS pairs
  chunk      a chunk of 60 frames (--frames, launch to exit) against the same 60 frames inside a longer run
             (timed as they arrive on the stream), plain and supersampled, PAIRS pairs each
  memory     the peak memory of a render at 3840 x 2160 with --supersample 2
  farm       the farm's wall time with 1 and 2 local workers, and the sum of its chunk times

    render_costs.py --bin BUILD/bin --raw RAW [--pairs N] [--quick]

A part whose program is missing is named and skipped; nothing is judged here.
"""

import argparse
import glob
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WINERUN = os.path.join(ROOT, "tools", "winerun")


def say(text):
    sys.stderr.write(f"[bench] {text}\n")


def capture_command(*args):
    return [WINERUN, "./engine-capture.exe", *args]


def run_wall(command, cwd, stdout=subprocess.DEVNULL):
    """Wall seconds of a command from launch to exit, and its exit code."""
    start = time.monotonic()
    result = subprocess.run(command, cwd=cwd, stdout=stdout, stderr=subprocess.DEVNULL)
    return time.monotonic() - start, result.returncode


def chunk_encoder(size, fps, out):
    """A lossless encoder reading raw RGB frames on standard input: FFVHuff on one thread, the cheapest of ffmpeg's,
    so that what is left is the capture's own reading back and writing (the farm's FFV1 costs more per frame)."""
    return ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
            "-video_size", size, "-framerate", str(fps), "-i", "-", "-c:v", "ffvhuff", "-threads", "1", out]


def pipeline(bin_dir, out, pairs, frames_until):
    size = "1280x720"
    for pair in range(1, pairs + 1):
        say(f"render pipeline against the drawing alone, {size}, pair {pair} of {pairs}")
        alone, code = run_wall(capture_command("--until", frames_until, "--size", size), bin_dir)
        out.write(f"pipeline,{pair},alone,{alone:.3f},{code}\n")
        with tempfile.TemporaryDirectory() as scratch:
            chunk = os.path.join(scratch, "chunk.mkv")
            start = time.monotonic()
            producer = subprocess.Popen(capture_command("--until", frames_until, "--size", size, "--stream"),
                                        cwd=bin_dir, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            encoder = subprocess.run(chunk_encoder(size, 60, chunk), stdin=producer.stdout)
            producer.stdout.close()
            code = producer.wait() or encoder.returncode
            rendered = time.monotonic() - start
        out.write(f"pipeline,{pair},render,{rendered:.3f},{code}\n")


def stream_arrivals(command, cwd, frame_bytes):
    """Runs a --stream capture; returns (wall seconds, arrival time of each frame, seconds from launch)."""
    start = time.monotonic()
    producer = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    arrivals = []
    while True:
        data = producer.stdout.read(frame_bytes)
        if len(data) < frame_bytes:
            break
        arrivals.append(time.monotonic() - start)
    producer.stdout.close()
    producer.wait()
    return time.monotonic() - start, arrivals


def chunk(bin_dir, out, pairs, quick):
    width, height = 1280, 720
    for label, extra in (("plain", []), ("supersampled 2", ["--supersample", "2"])):
        if quick and extra:
            continue
        common = ["--stream", "--size", f"{width}x{height}", *extra]
        frame_bytes = width * height * 3
        # In pairs, like the pipeline: a neighbour's build during one run of a pair moves the ratio by half.
        for pair in range(1, pairs + 1):
            say(f"a chunk of 60 frames against the same frames inside a longer run, {label}, pair {pair} of {pairs}")
            # Frames 1800 to 1859 (30 s on), inside a run from 1740, and alone.
            _, arrivals = stream_arrivals(capture_command(*common, "--frames", "1740-1859"), bin_dir, frame_bytes)
            inside = arrivals[-1] - arrivals[59] if len(arrivals) == 120 else None
            alone, _ = run_wall(capture_command(*common, "--frames", "1800-1859"), bin_dir)
            out.write(f"chunk,{label},{inside if inside is not None else ''},{alone:.3f}\n")


def memory(bin_dir, out):
    say("memory: a render at 3840 x 2160 with --supersample 2 (three frames at 20 s)")
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    wall, code = run_wall(capture_command("--stream", "--size", "3840x2160", "--supersample", "2",
                                          "--frames", "1200-1202"), bin_dir)
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    # ru_maxrss is the largest child's: the figure holds only if this run was the largest so far.
    out.write(f"memory,3840x2160 supersampled 2,{peak / 1024:.0f},{'' if peak > before else 'not largest'},"
              f"{wall:.1f},{code}\n")


def farm(bin_dir, out, build):
    script = os.path.join(ROOT, "tools", "render", "farm.sh")
    archives = sorted(glob.glob(os.path.join(build, "Engine-*-win64.zip")))
    if not os.path.isfile(script) or not archives:
        out.write("farm,missing\n")
        return
    for jobs in (1, 2):
        say(f"the farm with {jobs} local worker(s)")
        with tempfile.TemporaryDirectory() as scratch:
            video = os.path.join(scratch, "farm.mp4")
            result = subprocess.run(["bash", script, video, "--bin", bin_dir, "--archive", archives[-1],
                                     "--jobs", str(jobs), "--size", "640x360", "--supersample", "2", "--until", "4",
                                     "--chunk", "60", "--work", os.path.join(scratch, "work")],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            summary = [line for line in result.stderr.splitlines() if "wall time" in line]
            out.write(f"farm,{jobs},{result.returncode},{summary[-1] if summary else ''}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--raw", required=True)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--pairs", type=int, default=2)
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()
    bin_dir = os.path.abspath(args.bin)
    if not os.path.isfile(os.path.join(bin_dir, "engine-capture.exe")):
        say("engine-capture.exe does not exist yet: the render costs are skipped")
        return 0
    if shutil.which("ffmpeg") is None:
        say("ffmpeg is missing (tools/setup.sh installs it): the render costs are skipped")
        return 0
    with open(os.path.join(args.raw, "render-costs.txt"), "w") as out:
        # First: the figure is the largest child's peak, so no larger run may come before it.
        memory(bin_dir, out)
        pipeline(bin_dir, out, 1 if args.quick else args.pairs, "3" if args.quick else "10")
        chunk(bin_dir, out, 1 if args.quick else args.pairs, args.quick)
        farm(bin_dir, out, os.path.abspath(args.build))
    return 0


if __name__ == "__main__":
    sys.exit(main())
