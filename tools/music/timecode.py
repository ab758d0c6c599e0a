#!/usr/bin/env python3
"""A music track whose sound names its own time, and what a recording of it says about the music's timing.

    timecode.py make OUT.mp3 [--seconds N]
        writes a track (through Debian's `lame`) whose second k is a pure tone of 200 + 50 k Hz, 60 s by default.
        Put it in place of DemoTrack01.mp3 (in a copy of the program folder) and play the presentation.
    timecode.py clicks OUT.mp3 --every SECONDS [--from FIRST] [--seconds N]
        writes a track (through lame, as the music is made) of a short, sharp click at every multiple of SECONDS
        from FIRST on (0 by default; silence before), 60 s long by default: in place of DemoTrack01.mp3, a track
        whose beats a tapper hears without doubt.
    timecode.py record OUT.raw
        records the default sink's monitor with `parec` until ended (SIGTERM or SIGINT) and writes OUT.raw.start:
        the moment of the recording's first sample on the system clock (seconds since 1970), to within the few
        milliseconds parec holds a fragment. Each fragment read says when the samples so far had been recorded at
        the latest; the earliest such bound is the start. OUT.raw.recording appears once the first fragment is
        in: what a test waits for before it starts the program.
    timecode.py tap OUT.raw
        records like `record` and, for a tapper as steady as a machine, presses Space (`xdotool key space`) as soon
        as it hears a click: a loud sound after at least 0.3 s of quiet. Ended like `record`, it also writes
        OUT.raw.taps, one line per click: where it was heard on the system clock (from the recording), and when
        the xdotool call that sent the key began and ended, for a test to set beside the program's own account.
    timecode.py read RECORDING [--log STDERR] [--json]
        reads a recording of it (raw signed 16-bit little-endian stereo at 44,100 Hz, as `parec --format=s16le
        --rate=44100 --channels=2` writes it) and names, for every stretch of sound, the part of the track heard.
        With --log, the standard error of `engine.exe --music-log` that played it: each stretch of time the clock
        ran (between pauses, seeks and the end) is set beside the sound heard meanwhile, which tells whether the
        pauses, an inactive window and the seeks moved sound and picture apart. With a RECORDING.start beside it
        (from `record`), each stretch also says "heard_after": how long after the picture of a moment its sound
        was heard, since the log's wall times are on the same system clock (the median over the stretch), and
        "heard_after_first": the same where the stretch began (its first three seconds, before any drop-out).

Every figure is in seconds. "music" times are positions in the track, "recording" times are seconds from the
start of the recording, "clock" times are the presentation's clock as the engine logged it. The track and the
decoding need nothing beyond Python 3 and lame: the tone of a stretch is measured from its zero crossings.
"""

import argparse
import array
import json
import math
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import wave

RATE = 44100
LOWEST_HZ = 200
STEP_HZ = 50
# Quieter than this (of 32767) is silence; the track's tones are 12,000.
LOUD = 1500
# Silence longer than this between two tones ends a stretch of sound: a pause, not a drop-out of a busy machine
# (which loses up to half a second of sound under Wine).
PAUSE_SECONDS = 1.0
# The changes of second that say where a stretch began ("offset_first"): its first three seconds, up to the first
# drop-out (a silence longer than this inside a stretch).
FIRST_CHANGES = 3
DROP_OUT_SECONDS = 0.02


def make(path, seconds):
    samples = array.array("h")
    phase = 0.0
    for second in range(seconds):
        step = 2 * math.pi * (LOWEST_HZ + STEP_HZ * second) / RATE
        for _ in range(RATE):
            phase += step   # continuous phase: no click where the tone changes
            value = int(12000 * math.sin(phase))
            samples.append(value)
            samples.append(value)
    encode(samples, path)


def clicks(path, every, seconds, first=0.0):
    """A track of short, sharp clicks (a 2-kHz burst that dies in 30 ms) at every multiple of `every` seconds
    from `first` on (silence before), through lame like the music, for a calibration whose beats fall on them."""
    frames = int(seconds * RATE)
    samples = array.array("h", bytes(4 * frames))
    click = math.ceil(first / every)
    while click * every < seconds:
        first = round(click * every * RATE)
        for i in range(min(int(RATE * 0.03), frames - first)):
            t = i / RATE
            value = int(20000 * math.sin(2 * math.pi * 2000 * t) * math.exp(-t / 0.008))
            samples[2 * (first + i)] = value
            samples[2 * (first + i) + 1] = value
        click += 1
    encode(samples, path, ["--noreplaygain"])   # as the build encodes the music


def encode(samples, path, options=()):
    """Stereo 16-bit samples at RATE to an MP3 at 160 kbit/s through lame, with `options` added."""
    with tempfile.TemporaryDirectory() as scratch:
        wav = os.path.join(scratch, "track.wav")
        with wave.open(wav, "wb") as out:
            out.setnchannels(2)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(samples.tobytes())
        subprocess.run(["lame", "--quiet", *options, "-b", "160", wav, path], check=True)


def record(path, device, on_click=None):
    parec = subprocess.Popen(["parec", "-d", device, "--format=s16le", "--rate=%d" % RATE, "--channels=2",
                              "--latency-msec=5"], stdout=subprocess.PIPE)
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    signal.signal(signal.SIGINT, lambda *_: stop.append(True))
    start = None
    frames = 0
    with open(path, "wb") as out:
        while not stop:
            try:
                chunk = os.read(parec.stdout.fileno(), 4096)
            except InterruptedError:
                continue
            now = time.time()
            if not chunk:
                break
            out.write(chunk)
            if frames == 0:
                # The sink is heard from now on: a test starts the program only after this, since a client that
                # joins the null sink after the program's stream connected measures 110 to 130 ms more (the
                # sink's latency is set by the clients it has when a stream connects).
                open(path + ".recording", "w").close()
            if on_click:
                on_click(chunk, frames)
            frames += len(chunk) / 4
            bound = now - frames / RATE
            start = bound if start is None else min(start, bound)
    parec.terminate()
    parec.wait()
    with open(path + ".start", "w") as out:
        out.write("%.6f\n" % (start or 0.0))
    return start or 0.0


CLICK = 6000


def tap(path, device):
    """Presses Space on every click heard; see the module's help."""
    state = {"quiet": 0, "clicks": []}   # frames of quiet so far; (frame heard, call began, call ended) per click
    # One xdotool for the whole run, reading its commands as they come: starting one per key took 30 to 130 ms on
    # a loaded machine, and the key went out somewhere in that. Here the key goes down between the writing of the
    # command and the answer to the one after it, a few milliseconds apart; the key goes up afterwards.
    keys = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def on_click(chunk, frames):
        samples = array.array("h")
        samples.frombytes(chunk[: len(chunk) // 4 * 4])
        for i in range(0, len(samples), 2):
            if abs(samples[i]) > CLICK:
                if state["quiet"] >= 0.3 * RATE:
                    before = time.time()
                    keys.stdin.write("keydown --delay 0 space\ngetmouselocation\n")
                    keys.stdout.readline()
                    after = time.time()
                    keys.stdin.write("keyup --delay 0 space\n")
                    state["clicks"].append((frames + i // 2, before, after))
                state["quiet"] = 0
            else:
                state["quiet"] += 1

    try:
        start = record(path, device, on_click)
    finally:
        keys.stdin.close()
        keys.wait()
    with open(path + ".taps", "w") as out:
        for frame, before, after in state["clicks"]:
            out.write("%.6f %.6f %.6f\n" % (start + frame / RATE, before, after))


def tone_runs(path):
    """Runs of one tone: [start, end, second] in recording seconds, from the left channel's rising zero crossings.
    The tone of a crossing is measured over the next four periods, so the tone is known from the first crossing
    of those periods to the last: a run ends where its last four periods end, not where they begin (which placed
    every change of tone two periods early, 8 ms at the track's start)."""
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    left = samples[0::2]
    block = RATE // 200
    loud = [max(map(abs, left[i:i + block]), default=0) > LOUD for i in range(0, len(left), block)]
    crossings = []   # lists of crossing times, one per loud stretch
    previous = None
    for i in range(1, len(left)):
        if not loud[i // block]:
            previous = None
            continue
        a, b = left[i - 1], left[i]
        if a < 0 <= b:
            t = (i - 1 + a / (a - b)) / RATE
            if previous is None or t - previous > 0.02:
                crossings.append([])
            crossings[-1].append(t)
            previous = t
    runs = []
    for times in crossings:
        for i in range(len(times) - 4):
            frequency = 4.0 / (times[i + 4] - times[i])
            second = round((frequency - LOWEST_HZ) / STEP_HZ)
            if second < 0 or abs(frequency - (LOWEST_HZ + STEP_HZ * second)) > STEP_HZ * 0.3:
                continue
            if runs and runs[-1][2] == second and times[i] - runs[-1][1] < 0.02:
                runs[-1][1] = times[i + 4]
            else:
                runs.append([times[i], times[i + 4], second])
    return [run for run in runs if run[1] - run[0] >= 0.03]


def stretches(runs):
    """Stretches of continuous music: runs split where the sound pauses or jumps to another second. Each change of
    second inside a stretch pins the offset (recording time minus music time) to within the silence around it. A
    stretch's start is placed by its first change and its end by its last; "offset" is the median of all."""
    groups = []
    for run in runs:
        last = groups[-1][-1] if groups else None
        if last and run[0] - last[1] <= PAUSE_SECONDS and run[2] in (last[2], last[2] + 1):
            groups[-1].append(run)
        else:
            groups.append([run])
    result = []
    for group in groups:
        changes = [(after[0] - before[1], (before[1] + after[0]) / 2 - after[2])
                   for before, after in zip(group, group[1:]) if after[2] == before[2] + 1]
        # A change heard without a drop-out around it pins the offset to within a few milliseconds.
        clean = [offset for silence, offset in changes if silence < 0.03] or [offset for _, offset in changes]
        start, end = group[0][0], group[-1][1]
        stretch = {"recording": [round(start, 3), round(end, 3)], "music": None}
        if changes:
            stretch["music"] = [round(start - changes[0][1], 3), round(end - changes[-1][1], 3)]
            stretch["offset"] = round(statistics.median(clean), 3)
            # Where the stretch began: its first changes only (a long stretch wanders on a loaded machine), and
            # only those before the first drop-out, after which the audio path may stand elsewhere. None when the
            # stretch dropped sound before its first change.
            first = []
            for before, after in zip(group, group[1:]):
                if after[0] - before[1] > DROP_OUT_SECONDS or len(first) == FIRST_CHANGES:
                    break
                if after[2] == before[2] + 1:
                    first.append((before[1] + after[0]) / 2 - after[2])
            if first:
                stretch["offset_first"] = round(statistics.median(first), 3)
        result.append(stretch)
    return result


# A pause and a play closer together than this are one jump (a seek or a loop), not a stop of the clock.
JUMP_SECONDS = 0.05
LOG_LINE = re.compile(r"^music: (-?[\d.]+) s, wall ([\d.]+) s: (\w+) \S+(?: from (\d+))?(.*)$")


def clock_segments(path):
    """The stretches of time in which the engine's clock ran with the music playing, from engine.exe --music-log:
    each from a play or a resume to the next pause or the close, with "lead", the clock's moment minus the wall
    time while it ran, and what ended it: a stop (the clock stopped; "stopped" says for how long), a jump (a seek)
    or the end. A start the player found late or early and sought again (a position reading noted "again", then a
    pause and a play) goes on with the same stretch: the clock ran on; "again" counts those."""
    commands = []
    with open(path, errors="replace") as f:
        for line in f:
            match = LOG_LINE.match(line)
            if match:
                clock, wall, verb, start, rest = match.groups()
                commands.append((float(clock), float(wall), verb, start, rest))
    segments, running, correcting = [], None, False
    for i, (clock, wall, verb, start, rest) in enumerate(commands):
        if correcting and verb in ("pause", "play"):
            correcting = verb == "pause"   # the pause and the play of a start sought again
            continue
        correcting = False
        if verb in ("play", "resume"):
            running = {"clock": [clock, None], "lead": clock - wall, "wall": [wall, None], "again": 0}
            if segments and segments[-1]["ended"] == "stop":
                segments[-1]["stopped"] = round(wall - segments[-1]["wall"][1], 3)
        elif verb == "status" and running and commands[i - 1][2] == "play" and commands[i - 1][3] is None:
            # Start-up waits for the track to move before the clock starts.
            running.update({"lead": clock - wall, "wall": [wall, None]})
        elif verb == "status" and running and rest.endswith(": again)"):
            running["again"] += 1
            correcting = True
        elif verb in ("pause", "close") and running:
            # A seek pauses and plays in one go; a stop's play comes when the clock starts again.
            jump = (verb == "pause" and i + 1 < len(commands) and commands[i + 1][2] == "play"
                    and commands[i + 1][1] - wall < JUMP_SECONDS)
            running["wall"][1] = wall
            running["clock"][1] = round(running["clock"][0] + wall - running["wall"][0], 3)
            running["ended"] = "jump" if jump else "stop" if verb == "pause" else "end"
            segments.append(running)
            running = None
    return segments


def compare(sound, segments, start=None):
    """Sets each stretch of sound beside the stretch of clock time it played in (the one its music overlaps most)
    and says how far sound and clock stand apart there: "apart" is the clock's moment minus the music heard at the
    same instant, up to one constant (when the recording started, and the audio path's latency), so its changes
    from one stretch to the next are what a pause, an inactive window or a seek did to them."""
    placed = [s for s in sound if s["music"] is not None]
    for segment in segments:
        overlap = lambda s: min(s["music"][1], segment["clock"][1]) - max(s["music"][0], segment["clock"][0])
        match = max(placed, key=overlap, default=None)
        if match is None or overlap(match) <= 0:
            continue
        segment["music"] = match["music"]
        segment["apart"] = round(segment["lead"] + match["offset"], 3)
        if start is not None:
            # The music of clock moment c was heard at start + c + offset on the system clock; the clock stood at
            # c at wall c - lead.
            segment["heard_after"] = round(start + match["offset"] + segment["lead"], 3)
            if "offset_first" in match:
                segment["heard_after_first"] = round(start + match["offset_first"] + segment["lead"], 3)
        if segment["ended"] == "stop":
            # The silence that begins nearest to where the clock stopped, in the recording's time.
            stopped = match["offset"] + segment["clock"][1]
            gaps = [(after["recording"][0] - before["recording"][1], before["recording"][1])
                    for before, after in zip(sound, sound[1:])]
            nearest = min(gaps, key=lambda gap: abs(gap[1] - stopped), default=None)
            if nearest and abs(nearest[1] - stopped) < 1.0:
                segment["silence"] = round(nearest[0], 3)
    first = next((s["apart"] for s in segments if "apart" in s), 0.0)
    for segment in segments:
        segment["lead"] = round(segment["lead"], 3)
        segment["wall"] = [round(w, 3) for w in segment["wall"]]
        if "apart" in segment:
            segment["apart"] = round(segment["apart"] - first, 3)
    return segments


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    maker = commands.add_parser("make")
    maker.add_argument("out")
    maker.add_argument("--seconds", type=int, default=60)
    clicker = commands.add_parser("clicks")
    clicker.add_argument("out")
    clicker.add_argument("--every", type=float, required=True)
    clicker.add_argument("--seconds", type=int, default=60)
    clicker.add_argument("--from", dest="first", type=float, default=0.0)
    recorder = commands.add_parser("record")
    recorder.add_argument("out")
    recorder.add_argument("--device", default="speakers.monitor")
    tapper = commands.add_parser("tap")
    tapper.add_argument("out")
    tapper.add_argument("--device", default="speakers.monitor")
    reader = commands.add_parser("read")
    reader.add_argument("recording")
    reader.add_argument("--log")
    reader.add_argument("--json", action="store_true")
    args = parser.parse_args()

    if args.command == "make":
        make(args.out, args.seconds)
        return 0
    if args.command == "clicks":
        clicks(args.out, args.every, args.seconds, args.first)
        return 0
    if args.command == "record":
        record(args.out, args.device)
        return 0
    if args.command == "tap":
        tap(args.out, args.device)
        return 0
    sound = stretches(tone_runs(args.recording))
    start = None
    if os.path.exists(args.recording + ".start"):
        start = float(open(args.recording + ".start").read())
    segments = compare(sound, clock_segments(args.log), start) if args.log else []
    if args.json:
        print(json.dumps({"sound": sound, "clock": segments}, indent=1))
        return 0
    for s in sound:
        music = "music %.3f-%.3f s" % tuple(s["music"]) if s["music"] else "too short to place"
        print("sound: recording %.3f-%.3f s, %s" % (s["recording"][0], s["recording"][1], music))
    for segment in segments:
        print("clock: " + ", ".join("%s %s" % item for item in segment.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
