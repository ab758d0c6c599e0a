#!/usr/bin/env python3
"""The peak memory of a capture at 30 s, for ./bench.sh: of the compiled-in presentation, and of a file of a
million keys on 120 tracks (written by choreography_edit_bench.exe), each at 320 x 180 in a process of its own.
Writes one line per capture to RAW/capture-memory.txt:

  capture memory,WHAT,PEAK_MB,EXIT_CODE

    capture_memory.py --bin BUILD/bin --raw RAW

The peak is the resident high-water mark of the Wine process (what Windows calls the peak working set). Nothing is
judged here.
"""

import argparse
import glob
import os
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WINERUN = os.path.join(ROOT, "tools", "winerun")

# Run in a Python of its own, so that the figure is this capture's alone: a process's children's peak is that
# of the largest child it has waited for.
MEASURE = """
import resource, subprocess, sys
code = subprocess.run(sys.argv[2:], cwd=sys.argv[1], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024, code)
"""


def say(text):
    sys.stderr.write(f"[bench] {text}\n")


def peak(bin_dir, *args):
    """(peak MB, exit code) of engine-capture.exe with `args` at 30 s, 320 x 180."""
    with tempfile.TemporaryDirectory() as pictures:
        command = [sys.executable, "-c", MEASURE, bin_dir, WINERUN, "./engine-capture.exe", *args, "--at", "30",
                   "--size", "320x180", "--out", pictures]
        megabytes, code = subprocess.run(command, check=True, capture_output=True, text=True).stdout.split()
    return int(megabytes), int(code)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--raw", required=True)
    args = parser.parse_args()
    bin_dir = os.path.abspath(args.bin)
    if not os.path.isfile(os.path.join(bin_dir, "engine-capture.exe")):
        say("engine-capture.exe does not exist yet: the capture's memory is skipped")
        return 0
    with open(os.path.join(args.raw, "capture-memory.txt"), "w") as out:
        say("memory: a capture at 30 s of the compiled-in presentation")
        megabytes, code = peak(bin_dir)
        out.write(f"capture memory,compiled-in presentation,{megabytes},{code}\n")
        say("memory: a capture at 30 s of a file of a million keys")
        keys = os.path.join(bin_dir, "capture-million-keys.xml")
        try:
            subprocess.run([WINERUN, "./choreography_edit_bench.exe", "write", os.path.basename(keys)], cwd=bin_dir,
                           check=True, stdout=subprocess.DEVNULL)
            megabytes, code = peak(bin_dir, "--choreography", os.path.basename(keys))
            out.write(f"capture memory,million-key file,{megabytes},{code}\n")
        finally:
            for left in glob.glob(keys + "*"):
                os.remove(left)
    return 0


if __name__ == "__main__":
    sys.exit(main())
