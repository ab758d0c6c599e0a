#!/usr/bin/env python3
"""Direct3D calls per frame, by kind, from a Wine trace of a run (WINEDEBUG=trace+d3d11,trace+dxgi).

Wine's Direct3D 11 traces every call on the device context by name; a swap chain's Present ends a frame. The
calls that reach Direct3D are what a renderer costs the driver under Wine, where each becomes a command for the
rendering thread, so their count is a measure that the machine's load does not disturb, unlike timings.

Usage: d3d_calls.py TRACE [--skip N]
Prints "call,per_frame" rows (most frequent first, then "total") averaged over the frames after the first N
(default 2: the first frame belongs to start-up, the second still uploads). Exit code 1 without such frames.
"""

import collections
import re
import sys

CALL = re.compile(r"trace:d3d11:d3d11_(?:device_context|immediate_context)_(\w+)")
PRESENT = re.compile(r"trace:dxgi:\w*swapchain_Present")


def count_calls(lines, skip=2):
    """Mean calls per frame by name over the complete frames after the first `skip`; (counts, frames)."""
    frames = [collections.Counter()]
    for line in lines:
        match = CALL.search(line)
        if match:
            frames[-1][match.group(1)] += 1
        elif PRESENT.search(line):
            frames.append(collections.Counter())
    complete = frames[skip:-1]   # the last one was cut short by the end of the run
    total = collections.Counter()
    for frame in complete:
        total.update(frame)
    if not complete:
        return {}, 0
    return {name: count / len(complete) for name, count in total.items()}, len(complete)


def main():
    args = sys.argv[1:]
    skip = 2
    if "--skip" in args:
        at = args.index("--skip")
        skip = int(args[at + 1])
        del args[at:at + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 64
    with open(args[0], errors="replace") as f:
        counts, frames = count_calls(f, skip)
    if not frames:
        sys.stderr.write(f"{args[0]}: no complete frame after the first {skip}\n")
        return 1
    print("call,per_frame")
    for name, count in sorted(counts.items(), key=lambda item: (-item[1], item[0])):
        print(f"{name},{count:g}")
    print(f"total,{sum(counts.values()):g}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
