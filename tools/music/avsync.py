#!/usr/bin/env python3
"""Picture and sound of a running program timed on one clock, by this one program, with nothing taken from the
program itself: when a picture is on the screen and when a sound is played.

    avsync.py watch OUT [--window NAME] [--device SOURCE] [--fragment-ms N]
        records a PulseAudio source (the null sink "speakers"' monitor by default), asking for fragments of N ms
        (5 by default; 0 asks for none, and leaves the sink's latency to the other streams), and grabs a band across
        the window named NAME ("Engine" by default) from the X server every 5 ms or so, until ended (SIGTERM or
        SIGINT). Writes OUT.raw (the sound, signed 16-bit little-endian stereo at 44,100 Hz) and OUT.json: when
        each grab was taken and its mean colour, and when the sound read so far is played, both on
        CLOCK_MONOTONIC. OUT.raw.recording appears once sound comes in: what a test waits for before it starts
        the program. OUT.raw.start is timecode.py record's: the recording's first frame on the system clock.
    avsync.py read OUT [--log STDERR] [--json]
        sets the pictures beside the sound: the time-coded track (timecode.py make) played in place of the music,
        and a picture that changes with every whole second of the presentation (avsync.py choreography) give one
        pair a second; each says how long after its picture a second's sound was played. With --log, the standard
        error of engine.exe --music-log that played it, each is also set against the program's clock: how long
        after its moment the sound was played (the audio path less the music's lead) and the picture shown.
    avsync.py choreography OUT.xml [--seconds N]
        writes a choreography whose sky changes at every whole second (dusk on even seconds, night on odd), the
        picture that names its second's parity as the time-coded track names the second.

When a sound is played: a monitor source hands out what its sink mixes, and the sink mixes ahead of playing by
its latency, which the streams connected to it set (docs/music.md has the figures). So the recording is not
placed by when its bytes arrive, but by PulseAudio's own account, as a player would be told: each time sound is
read, the stream's latency (negative for a monitor that runs ahead) says when the next byte to be read is played.
When a picture is on the screen: when the X server gives it back, between the request and the answer.
"""

import argparse
import bisect
import ctypes
import ctypes.util
import json
import os
import signal
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import timecode  # noqa: E402

RATE = timecode.RATE
FRAME_BYTES = 4   # 16-bit stereo
GRAB_INTERVAL = 0.005


# --- PulseAudio, through libpulse's asynchronous interface ----------------------------------------------------------

class _SampleSpec(ctypes.Structure):
    _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32), ("channels", ctypes.c_uint8)]


class _BufferAttr(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint32) for name in ("maxlength", "tlength", "prebuf", "minreq", "fragsize")]


class _TimeVal(ctypes.Structure):
    _fields_ = [("sec", ctypes.c_long), ("usec", ctypes.c_long)]


class _TimingInfo(ctypes.Structure):
    _fields_ = [("timestamp", _TimeVal), ("synchronized_clocks", ctypes.c_int), ("sink_usec", ctypes.c_uint64),
                ("source_usec", ctypes.c_uint64), ("transport_usec", ctypes.c_uint64), ("playing", ctypes.c_int),
                ("write_index_corrupt", ctypes.c_int), ("write_index", ctypes.c_int64),
                ("read_index_corrupt", ctypes.c_int), ("read_index", ctypes.c_int64),
                ("configured_sink_usec", ctypes.c_uint64), ("configured_source_usec", ctypes.c_uint64),
                ("since_underrun", ctypes.c_int64)]


_P = ctypes.c_void_p
_PULSE_CALLS = [
    ("pa_mainloop_new", _P, []),
    ("pa_mainloop_free", None, [_P]),
    ("pa_mainloop_get_api", _P, [_P]),
    ("pa_mainloop_iterate", ctypes.c_int, [_P, ctypes.c_int, _P]),
    ("pa_context_new", _P, [_P, ctypes.c_char_p]),
    ("pa_context_connect", ctypes.c_int, [_P, ctypes.c_char_p, ctypes.c_int, _P]),
    ("pa_context_get_state", ctypes.c_int, [_P]),
    ("pa_context_disconnect", None, [_P]),
    ("pa_context_unref", None, [_P]),
    ("pa_stream_new", _P, [_P, ctypes.c_char_p, _P, _P]),
    ("pa_stream_connect_record", ctypes.c_int, [_P, ctypes.c_char_p, _P, ctypes.c_int]),
    ("pa_stream_get_state", ctypes.c_int, [_P]),
    ("pa_stream_readable_size", ctypes.c_size_t, [_P]),
    ("pa_stream_peek", ctypes.c_int, [_P, ctypes.POINTER(_P), ctypes.POINTER(ctypes.c_size_t)]),
    ("pa_stream_drop", ctypes.c_int, [_P]),
    ("pa_stream_get_latency", ctypes.c_int, [_P, ctypes.POINTER(ctypes.c_uint64), ctypes.POINTER(ctypes.c_int)]),
    ("pa_stream_get_timing_info", ctypes.POINTER(_TimingInfo), [_P]),
    ("pa_stream_disconnect", ctypes.c_int, [_P]),
    ("pa_stream_unref", None, [_P]),
]
_CONTEXT_READY, _CONTEXT_FAILED = 4, (5, 6)
_STREAM_READY, _STREAM_FAILED = 2, (3, 4)
_S16LE = 3
# Timing kept current by the library (it asks the server every few hundred milliseconds) and interpolated on
# CLOCK_MONOTONIC between answers; the source's latency set from the fragment asked for.
_FLAGS = 0x0002 | 0x0008 | 0x2000   # INTERPOLATE_TIMING | AUTO_TIMING_UPDATE | ADJUST_LATENCY
_NO_VALUE = 0xFFFFFFFF


class PulseRecorder:
    """A record stream on a PulseAudio source. `read()` returns the bytes that came in and, with them, when the
    first byte not yet read is played on CLOCK_MONOTONIC (None while the library has no timing yet)."""

    def __init__(self, device, fragment_ms):
        self.lib = ctypes.CDLL(ctypes.util.find_library("pulse") or "libpulse.so.0")
        for name, result, arguments in _PULSE_CALLS:
            call = getattr(self.lib, name)
            call.restype, call.argtypes = result, arguments
        lib = self.lib
        self.loop = lib.pa_mainloop_new()
        self.context = lib.pa_context_new(lib.pa_mainloop_get_api(self.loop), b"avsync")
        if lib.pa_context_connect(self.context, None, 0, None) < 0:
            raise RuntimeError("cannot reach the sound server")
        self._wait(lambda: lib.pa_context_get_state(self.context), _CONTEXT_READY, _CONTEXT_FAILED, "the server")
        sample_format = _SampleSpec(_S16LE, RATE, 2)
        self.stream = lib.pa_stream_new(self.context, b"avsync", ctypes.byref(sample_format), None)
        # 0: no fragment asked for, so that the recorder does not lower the sink's latency (the server's default).
        fragment = fragment_ms * RATE // 1000 * FRAME_BYTES if fragment_ms > 0 else _NO_VALUE
        attributes = _BufferAttr(_NO_VALUE, _NO_VALUE, _NO_VALUE, _NO_VALUE, fragment)
        if lib.pa_stream_connect_record(self.stream, device.encode(), ctypes.byref(attributes), _FLAGS) < 0:
            raise RuntimeError("cannot record %s" % device)
        self._wait(lambda: lib.pa_stream_get_state(self.stream), _STREAM_READY, _STREAM_FAILED, device)
        self.frames = 0

    def _wait(self, state, ready, failed, what):
        while state() != ready:
            if state() in failed:
                raise RuntimeError("cannot connect to %s" % what)
            self.lib.pa_mainloop_iterate(self.loop, 1, None)

    def read(self, block):
        lib = self.lib
        lib.pa_mainloop_iterate(self.loop, 1 if block else 0, None)
        while lib.pa_mainloop_iterate(self.loop, 0, None) > 0:
            pass
        chunks = []
        while lib.pa_stream_readable_size(self.stream) > 0:
            data, length = _P(), ctypes.c_size_t()
            if lib.pa_stream_peek(self.stream, ctypes.byref(data), ctypes.byref(length)) < 0 or length.value == 0:
                break
            # A hole in the stream (no data pointer) is silence of that length.
            chunks.append(ctypes.string_at(data, length.value) if data.value else bytes(length.value))
            lib.pa_stream_drop(self.stream)
        data = b"".join(chunks)
        self.frames += len(data) // FRAME_BYTES
        usec, negative = ctypes.c_uint64(), ctypes.c_int()
        before = time.monotonic()
        if lib.pa_stream_get_latency(self.stream, ctypes.byref(usec), ctypes.byref(negative)) < 0:
            return data, None
        now = (before + time.monotonic()) / 2
        latency = -usec.value / 1e6 if negative.value else usec.value / 1e6
        # A record stream's latency is how long ago the next byte to be read was played: a monitor that runs ahead
        # of its sink hands out sound before it is played, and the latency is negative.
        return data, now - latency

    def timing(self):
        info = self.lib.pa_stream_get_timing_info(self.stream)
        if not info:
            return None
        info = info.contents
        return {"sink_ms": info.sink_usec / 1000, "source_ms": info.source_usec / 1000,
                "transport_ms": info.transport_usec / 1000, "configured_sink_ms": info.configured_sink_usec / 1000,
                "configured_source_ms": info.configured_source_usec / 1000}

    def close(self):
        lib = self.lib
        lib.pa_stream_disconnect(self.stream)
        lib.pa_stream_unref(self.stream)
        lib.pa_context_disconnect(self.context)
        lib.pa_context_unref(self.context)
        lib.pa_mainloop_free(self.loop)


# --- The X server, through Xlib -------------------------------------------------------------------------------------

class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class _XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", _P), ("root", ctypes.c_ulong),
                ("class", ctypes.c_int), ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int), ("colormaps", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", _P)]


_X_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, _P, _P)
_ZPIXMAP = 2
_ALL_PLANES = 0xFFFFFFFFFFFFFFFF
_VIEWABLE = 2


class WindowGrabber:
    """Finds a top-level window by its name and reads back a band across its middle."""

    def __init__(self, name):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x = self.x
        x.XOpenDisplay.restype = _P
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [_P]
        x.XQueryTree.argtypes = [_P, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)), ctypes.POINTER(ctypes.c_uint)]
        x.XFetchName.argtypes = [_P, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XGetWindowAttributes.argtypes = [_P, ctypes.c_ulong, ctypes.POINTER(_XWindowAttributes)]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [_P, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [_P]
        x.XSetErrorHandler.argtypes = [_X_ERROR_HANDLER]
        self.display = x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display %r" % os.environ.get("DISPLAY"))
        # Xlib's own handler ends the process on the error a window that just went away gives.
        self.errors = 0

        def on_error(display, event):
            self.errors += 1
            return 0
        self._handler = _X_ERROR_HANDLER(on_error)
        x.XSetErrorHandler(self._handler)
        self.name = name.encode()
        self.window = None

    def find(self):
        """The window named so, when it is there and viewable."""
        pending = [self.x.XDefaultRootWindow(self.display)]
        while pending:
            window = pending.pop()
            title = ctypes.c_char_p()
            if self.x.XFetchName(self.display, window, ctypes.byref(title)) and title.value is not None:
                found = title.value == self.name
                self.x.XFree(title)
                attributes = _XWindowAttributes()
                if found and self.x.XGetWindowAttributes(self.display, window, ctypes.byref(attributes)) \
                        and attributes.map_state == _VIEWABLE:
                    self.window = (window, attributes.width, attributes.height)
                    return True
            root, parent = ctypes.c_ulong(), ctypes.c_ulong()
            children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
            if self.x.XQueryTree(self.display, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(children), ctypes.byref(count)):
                pending.extend(children[i] for i in range(count.value))
                if children:
                    self.x.XFree(children)
        return False

    def grab(self):
        """The mean red, green and blue of a band across the window's middle (a quarter of its height), and when
        the X server gave it: (before the request, after the answer, [r, g, b]), or None when it could not."""
        window, width, height = self.window
        band = max(height // 4, 1)
        before = time.monotonic()
        image = self.x.XGetImage(self.display, window, 0, (height - band) // 2, width, band, _ALL_PLANES, _ZPIXMAP)
        after = time.monotonic()
        if not image:
            return None
        picture = image.contents
        try:
            if picture.bits_per_pixel != 32:
                return None
            pixels = ctypes.string_at(picture.data, picture.bytes_per_line * picture.height)
        finally:
            self.x.XFree(ctypes.cast(picture.data, _P))
            self.x.XFree(ctypes.cast(image, _P))
        # Every 16th pixel is plenty for a mean, and keeps a grab to a millisecond or so.
        step = 16 * 4
        blue, green, red = (pixels[i::step] for i in range(3))
        count = max(len(red), 1)
        return before, after, [sum(red) / count, sum(green) / count, sum(blue) / count]


# --- Watching ------------------------------------------------------------------------------------------------------

def watch(out, window_name, device, fragment_ms):
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    signal.signal(signal.SIGINT, lambda *_: stop.append(True))
    recorder = PulseRecorder(device, fragment_ms)
    grabber = WindowGrabber(window_name)
    readings, grabs, timings = [], [], []
    clocks = [[time.monotonic(), time.time()]]
    next_look = next_timing = 0.0
    with open(out + ".raw", "wb") as sound:
        while not stop:
            data, played = recorder.read(block=grabber.window is None)
            now = time.monotonic()
            if data:
                if recorder.frames * FRAME_BYTES == len(data):
                    open(out + ".raw.recording", "w").close()
                sound.write(data)
                if played is not None:
                    # With when the bytes came in: how far ahead of playing the monitor hands them out.
                    readings.append([recorder.frames, round(played, 6), round(now, 6)])
            if now >= next_timing:
                timing = recorder.timing()
                if timing:
                    timings.append([round(now, 6), timing])
                next_timing = now + 0.25
            if grabber.window is None:
                if now >= next_look:
                    grabber.find()
                    next_look = now + 0.1
                continue
            grab = grabber.grab()
            if grab is None:
                grabber.window = None   # it went away
                continue
            before, after, colour = grab
            grabs.append([round(before, 6), round(after, 6)] + [round(c, 1) for c in colour])
            # A grab every 5 ms or so places a picture to within 3 ms, and leaves the machine to the program
            # being watched (grabbing every 2 ms took 8 % of a core and the machine dropped more sound).
            time.sleep(GRAB_INTERVAL)
    recorder.close()
    clocks.append([time.monotonic(), time.time()])
    # For timecode.py read, which sets a recording beside the program's log: the first frame's moment on the system
    # clock as the bytes' arrival bounds it (what timecode.py record writes), not when it was played.
    if readings:
        first = min(received - frames / RATE for frames, _, received in readings)
        with open(out + ".raw.start", "w") as start:
            start.write("%.6f\n" % (first + statistics.median(wall - mono for mono, wall in clocks)))
    with open(out + ".json", "w") as record:
        json.dump({"rate": RATE, "readings": readings, "grabs": grabs, "timings": timings, "clocks": clocks,
                   "window": list(grabber.window[1:]) if grabber.window else None}, record)


# --- Reading -------------------------------------------------------------------------------------------------------

# Readings within this many frames of a moment of the recording place it: the sink's clock drifts against
# CLOCK_MONOTONIC (a null sink's by some 0.2 ms a second), so only the readings near a moment say where it is.
PLACING_FRAMES = RATE // 2
# A change of tone with more silence than this around it is not placed: a drop-out of a busy machine.
CLEAN_CHANGE_SECONDS = 0.03
# The changes of second that say where a stretch began: its first three.
FIRST_PAIRS = 3


class PlayedClock:
    """When each frame of the recording is played, from the readings [frames read, when the next is played]."""

    def __init__(self, readings):
        self.frames = [reading[0] for reading in readings]
        self.offsets = [reading[1] - reading[0] / RATE for reading in readings]

    def __call__(self, frame):
        first = bisect.bisect_left(self.frames, frame - PLACING_FRAMES)
        last = bisect.bisect_right(self.frames, frame + PLACING_FRAMES)
        near = self.offsets[first:last]
        if not near:
            return None
        return frame / RATE + statistics.median(near)


def sound_changes(runs, played):
    """Each change of the time-coded track from second k - 1 to k heard without a drop-out around it: (k, when it
    was played, the stretch of sound it belongs to)."""
    changes = []
    for before, after in zip(runs, runs[1:]):
        if after[2] == before[2] + 1 and after[0] - before[1] < CLEAN_CHANGE_SECONDS:
            at = played((before[1] + after[0]) / 2 * RATE)
            if at is not None:
                changes.append((after[2], at, (before[1] + after[0]) / 2))
    return changes


def sky_changes(grabs):
    """Each change of sky in the grabs: (the sky now, 0 for the redder one (dusk), 1 for the other (night); when it
    changed, between the two grabs; how far apart the two grabs were). A grab that is neither sky (the window
    before its first frame) is skipped."""
    if not grabs:
        return []
    redness = sorted(grab[2] - grab[4] for grab in grabs)
    high, low = redness[len(redness) * 9 // 10], redness[len(redness) // 10]
    quarter = (high - low) / 4

    def sky(grab):
        value = grab[2] - grab[4]
        return 0 if value > high - quarter else 1 if value < low + quarter else None
    changes, last = [], None
    for grab in grabs:
        now = sky(grab)
        if now is None:
            continue
        if last is not None and now != last[0]:
            before, after = sum(last[1][:2]) / 2, sum(grab[:2]) / 2
            changes.append((now, (before + after) / 2, after - before))
        last = (now, grab)
    return changes


def pairs(sounds, pictures):
    """Each second's sound beside its picture: the sky of a second's parity that came nearest to its sound, within
    half a second. "after": how long after its picture the sound was played, in seconds."""
    result = []
    for second, played, recorded in sounds:
        near = [(abs(played - at), at, gap) for sky, at, gap in pictures if sky == second % 2 and abs(played - at) < 0.5]
        if near:
            _, at, gap = min(near)
            result.append({"second": second, "sound": round(played, 4), "picture": round(at, 4),
                           "after": round(played - at, 4), "grab_gap": round(gap, 4), "recorded": round(recorded, 3)})
    return result


def on_the_clock(matched, log, clocks):
    """With the program's own log (engine.exe --music-log), each pair's sound and picture also against the moment
    its second was on the program's clock: "sound_late" and "picture_late", in seconds. The log's wall times are
    on the system clock, which the watch set beside CLOCK_MONOTONIC at its start and end."""
    segments = timecode.clock_segments(log)
    wall = statistics.median(system - monotonic for monotonic, system in clocks)

    def moment(monotonic):
        for segment in segments:
            if segment["wall"][0] <= monotonic + wall <= segment["wall"][1]:
                return monotonic + wall + segment["lead"]
        return None
    for pair in matched:
        sound, picture = moment(pair["sound"]), moment(pair["picture"])
        if sound is not None and picture is not None:
            pair["sound_late"] = round(sound - pair["second"], 4)
            pair["picture_late"] = round(picture - pair["second"], 4)


# A silence at least this long is a pause of the clock, not a drop-out of a busy machine (timecode.py's measure);
# music that goes on after a shorter silence by this much more or less than the silence lasted is a seek.
SEEK_SECONDS = 1.0


def between_restarts(stretches):
    """timecode.py's stretches of continuous music, joined again where only a drop-out parted them: a silence shorter
    than a pause after which the music goes on about where the time gone says (a busy machine loses a second of
    sound, or plays a moment twice). What is left are the stretches between the clock's stops and seeks."""
    joined = []
    for stretch in stretches:
        last = joined[-1] if joined else None
        if last and last["music"] and stretch["music"]:
            silence = stretch["recording"][0] - last["recording"][1]
            skipped = stretch["music"][0] - last["music"][1]
            if silence < timecode.PAUSE_SECONDS and abs(skipped - silence) < SEEK_SECONDS:
                joined[-1] = {"recording": [last["recording"][0], stretch["recording"][1]],
                              "music": [last["music"][0], stretch["music"][1]]}
                continue
        joined.append(stretch)
    return joined


def within(recorded, stretch):
    """Whether a moment of the recording lies in a stretch of sound, whose ends timecode.py gives to the millisecond."""
    return stretch["recording"][0] - 0.001 <= recorded <= stretch["recording"][1] + 0.001


def first_drop_out(runs, stretch):
    """Where a stretch of sound first fell silent for longer than a drop-out, in the recording's seconds (its end when
    it never did): after a drop-out the audio path may stand elsewhere, so where the stretch began is told only by
    the pairs before it."""
    inside = [run for run in runs if within(run[0], stretch)]
    for before, after in zip(inside, inside[1:]):
        if after[0] - before[1] > timecode.DROP_OUT_SECONDS:
            return before[1]
    return stretch["recording"][1]


def first_and_all(pairs_of_stretch, dropped_at, key):
    """The median of `key` over a stretch's first pairs before its first drop-out (None when there are none) and
    over all its pairs; None when no pair has it."""
    values = [p[key] for p in pairs_of_stretch if key in p]
    if not values:
        return None
    first = [p[key] for p in pairs_of_stretch if key in p and p["recorded"] < dropped_at][:FIRST_PAIRS]
    return [round(statistics.median(first), 4) if first else None, round(statistics.median(values), 4)]


def read(out, log=None):
    with open(out + ".json") as record:
        watched = json.load(record)
    runs = timecode.tone_runs(out + ".raw")
    played = PlayedClock(watched["readings"])
    matched = pairs(sound_changes(runs, played), sky_changes(watched["grabs"]))
    if log:
        on_the_clock(matched, log, watched["clocks"])
    # The stretches of sound between restarts (pauses and seeks) each pair belongs to, by the recording's time.
    stretches = []
    for stretch in between_restarts(timecode.stretches(runs)):
        inside = [p for p in matched if within(p["recorded"], stretch)]
        if inside:
            dropped_at = first_drop_out(runs, stretch)
            afters = [p["after"] for p in inside]
            first, whole = first_and_all(inside, dropped_at, "after")
            stretches.append({"recording": stretch["recording"], "music": stretch["music"], "pairs": len(inside),
                              "after_first": first, "after": whole,
                              "spread": [round(min(afters), 4), round(max(afters), 4)]})
            for key in ("sound_late", "picture_late"):
                if first_and_all(inside, dropped_at, key):
                    stretches[-1][key] = first_and_all(inside, dropped_at, key)
    # How far ahead of playing the monitor handed sound out: from when each reading's bytes came in to when the last
    # of them is played; and the sink's latency, PulseAudio's own figure for the same, as the server reported it.
    monitor = {}
    ahead = sorted((reading[1] - reading[2]) * 1000 for reading in watched["readings"])
    if ahead:
        monitor["ahead_ms"] = [round(ahead[len(ahead) // 20], 1), round(statistics.median(ahead), 1),
                               round(ahead[-1 - len(ahead) // 20], 1)]
    sink = sorted(timing["sink_ms"] for _, timing in watched["timings"])
    if sink:
        monitor["sink_latency_ms"] = [round(statistics.median(sink), 1), round(sink[-1], 1)]
    return {"pairs": matched, "stretches": stretches, "monitor": monitor,
            "grabs": len(watched["grabs"]), "window": watched["window"]}


def choreography(path, seconds):
    lines = ['<Choreography version="1" beat="0.671875">',
             '    <!-- the sky names the parity of each whole second: dusk (0) on even ones, night (1) on odd -->']
    for second in range(seconds):
        place = ' x="0" y="2" z="0"' if second == 0 else ""
        lines.append('    <Camera from="%d" until="%d"%s sky="%d"/>' % (second, second + 1, place, second % 2))
    lines.append("</Choreography>")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    watcher = commands.add_parser("watch")
    watcher.add_argument("out")
    watcher.add_argument("--window", default="Engine")
    watcher.add_argument("--device", default="speakers.monitor")
    watcher.add_argument("--fragment-ms", type=int, default=5)
    reader = commands.add_parser("read")
    reader.add_argument("out")
    reader.add_argument("--log")
    reader.add_argument("--json", action="store_true")
    writer = commands.add_parser("choreography")
    writer.add_argument("out")
    writer.add_argument("--seconds", type=int, default=60)
    args = parser.parse_args()
    if args.command == "watch":
        watch(args.out, args.window, args.device, args.fragment_ms)
    elif args.command == "read":
        result = read(args.out, args.log)
        if args.json:
            print(json.dumps(result, indent=1))
            return 0
        def ms(seconds):
            return "dropped sound" if seconds is None else "%.1f ms" % (seconds * 1000)
        for stretch in result["stretches"]:
            print("stretch of music %.1f-%.1f s: %d seconds paired; sound after its picture: %s where it began, %s "
                  "over it (%s to %s)" % (stretch["music"][0], stretch["music"][1], stretch["pairs"],
                                          ms(stretch["after_first"]), ms(stretch["after"]), ms(stretch["spread"][0]),
                                          ms(stretch["spread"][1])))
            for key, what in (("sound_late", "sound played"), ("picture_late", "picture shown")):
                if key in stretch:
                    print("    %s after its moment on the program's clock: %s where it began, %s over it"
                          % (what, ms(stretch[key][0]), ms(stretch[key][1])))
        monitor = result["monitor"]
        if "ahead_ms" in monitor:
            print("the monitor handed sound out %.1f ms before it was played (median; 5 %% to 95 %%: %.1f to %.1f)"
                  % (monitor["ahead_ms"][1], monitor["ahead_ms"][0], monitor["ahead_ms"][2]))
        if "sink_latency_ms" in monitor:
            print("the sink's latency as the server reported it: %.1f ms (median), %.1f ms at most"
                  % tuple(monitor["sink_latency_ms"]))
    elif args.command == "choreography":
        choreography(args.out, args.seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
