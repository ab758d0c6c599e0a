#!/usr/bin/env python3
"""What tools/music/avsync.py makes of a watch, on made-up ones: when each part of a recording is played (from
PulseAudio's readings, on a sink clock that drifts), where the sky changed in the grabs, which picture each second's
sound belongs to (a seek's change of sky of the wrong parity is no second's), and, end to end, how long after its
picture the sound of each stretch was played, and each against the program's clock when its log is given.
app_music's verdicts on sound and picture rest on these."""

import array
import json
import math
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "music"))
sys.path.insert(0, HERE)
import avsync  # noqa: E402
from MusicTimecodeTest import WALL, log_line, tones  # noqa: E402

RATE = avsync.RATE
DUSK, NIGHT, GREY = [119.2, 92.7, 71.7], [19.5, 23.8, 36.7], [11.3, 11.3, 11.3]
# Monotonic seconds at which the made-up recording's first frame is played, and how fast the sink's clock runs
# against CLOCK_MONOTONIC (a null sink's runs 0.02 % fast).
PLAYED_AT = 99.0
SINK_FAST = 2e-4


def readings(frames, ahead=0.004, every=0.005):
    """Readings as the watch takes them every `every` seconds: frames read, when the next is played, and when they
    came in (`ahead` before that)."""
    result = []
    for frame in range(int(every * RATE), frames, int(every * RATE)):
        played = PLAYED_AT + frame / RATE * (1 - SINK_FAST)
        result.append([frame, played, played - ahead])
    return result


def grabs(changes, start, end, every=0.002):
    """Grabs every `every` seconds from `start` to `end`: grey until the first change, then the sky of each
    (moment, sky) from its moment on."""
    result, t = [], start
    while t < end:
        sky = None
        for at, now in changes:
            if at <= t:
                sky = now
        colour = GREY if sky is None else DUSK if sky == 0 else NIGHT
        result.append([t, t + 0.0003] + colour)
        t += every
    return result


class PlayedClockTest(unittest.TestCase):
    def test_each_frame_is_placed_by_the_readings_near_it(self):
        clock = avsync.PlayedClock(readings(60 * RATE))
        for second in (1, 30, 59):
            expected = PLAYED_AT + second * (1 - SINK_FAST)
            self.assertAlmostEqual(clock(second * RATE), expected, delta=0.0002)
        # Nothing placed where no reading is near.
        self.assertIsNone(clock(61 * RATE))


class SkyChangesTest(unittest.TestCase):
    def test_changes_are_placed_between_their_grabs_and_grey_is_neither_sky(self):
        found = avsync.sky_changes(grabs([(1.0, 0), (2.0, 1), (3.0, 0)], 0.5, 3.5))
        self.assertEqual([sky for sky, _, _ in found], [1, 0])
        for (_, at, gap), expected in zip(found, (2.0, 3.0)):
            self.assertAlmostEqual(at, expected, delta=0.002)
            self.assertLess(gap, 0.003)


class PairsTest(unittest.TestCase):
    def test_a_second_pairs_with_the_nearest_sky_of_its_parity(self):
        pictures = [(1, 10.000, 0.002), (0, 11.000, 0.002),
                    # A seek at 11.3 s from an even second to an odd one: a change of sky in mid-second.
                    (1, 11.300, 0.002), (0, 12.010, 0.002)]
        sounds = [(11, 11.012, 0.0), (12, 12.000, 0.0), (13, 13.2, 0.0)]
        paired = avsync.pairs(sounds, pictures)
        # Second 11 is odd: its sky is night, and the nearest night is the seek's, 0.29 s away, not dusk at 11.0.
        self.assertEqual([(p["second"], p["picture"]) for p in paired], [(11, 11.3), (12, 12.01)])
        self.assertAlmostEqual(paired[1]["after"], -0.010, places=4)


class BetweenRestartsTest(unittest.TestCase):
    def test_drop_outs_join_and_pauses_and_seeks_part(self):
        def stretch(recording, music):
            return {"recording": list(recording), "music": list(music)}
        found = avsync.between_restarts([
            stretch((1.0, 3.0), (0.0, 2.0)),
            # 0.4 s of sound lost, and 0.3 s heard twice: the same stretch of running clock.
            stretch((3.4, 5.0), (2.4, 4.0)), stretch((5.05, 6.0), (3.75, 4.7)),
            # A pause: 1.7 s of silence, the music where it stopped.
            stretch((7.7, 9.0), (4.7, 6.0)),
            # A seek 5 s on, 0.2 s later.
            stretch((9.2, 12.0), (11.2, 14.0)),
        ])
        self.assertEqual([s["recording"] for s in found], [[1.0, 6.0], [7.7, 9.0], [9.2, 12.0]])
        self.assertEqual(found[0]["music"], [0.0, 4.7])


class ReadTest(unittest.TestCase):
    def test_sound_after_its_picture_in_each_stretch(self):
        # The presentation's clock: seconds 0 to 6 from monotonic 100.0, paused for 2 s, then seconds 6 to 12.
        # The picture of each second shows 15 ms after its moment; the sound of each second is played 27 ms after
        # its moment in the first stretch (12 ms after its picture) and 8 ms after it in the second (7 ms before).
        picture_lag, sound_lags = 0.015, (0.027, 0.008)
        stretch_starts = [(100.0, 0), (108.0, 6)]   # monotonic start, clock moment
        changes = [(start + second - moment + picture_lag, second % 2)
                   for start, moment in stretch_starts for second in range(moment, moment + 6)]
        # The recording, played from PLAYED_AT on the sink's clock: each stretch's sound where it is played. The
        # second stretch drops 50 ms of sound half a second in, before its first change of second.
        heard = []
        for (start, moment), lag in zip(stretch_starts, sound_lags):
            at = (start + lag - PLAYED_AT) / (1 - SINK_FAST)
            heard.extend([(at, moment, 6.0)] if moment == 0 else [(at, moment, 0.5), (at + 0.55, moment + 0.55, 5.45)])
        recording = tones(heard)
        with tempfile.TemporaryDirectory() as scratch:
            out = os.path.join(scratch, "watch")
            with open(out + ".raw", "wb") as f:
                f.write(recording.tobytes())
            frames = len(recording) // 2
            with open(out + ".json", "w") as f:
                # The system clock stood WALL - 1 s ahead of CLOCK_MONOTONIC, so monotonic 100.0 is WALL + 99.0.
                json.dump({"rate": RATE, "readings": readings(frames), "grabs": grabs(changes, 99.5, 120.5),
                           "timings": [[100.0, {"sink_ms": 3.0}], [110.0, {"sink_ms": 4.5}]],
                           "clocks": [[90.0, WALL - 1 + 90.0], [121.0, WALL - 1 + 121.0]], "window": [320, 180]}, f)
            # The program's own account of the same run: its clock's stretches on the system clock.
            with open(out + ".err", "w") as f:
                f.writelines([log_line(0.0, 99.0, "play DemoTrack01.mp3 from 235"),
                              log_line(6.0, 105.0, "pause DemoTrack01.mp3"),
                              log_line(6.0, 107.0, "play DemoTrack01.mp3 from 6235"),
                              log_line(12.0, 113.0, "close DemoTrack01.mp3")])
            result = avsync.read(out, out + ".err")
        stretches = result["stretches"]
        self.assertEqual(len(stretches), 2)
        for stretch, lag in zip(stretches, sound_lags):
            self.assertAlmostEqual(stretch["after"], lag - picture_lag, delta=0.002)
            # Against the program's clock, each on its own: the sound's lateness and the picture's.
            self.assertAlmostEqual(stretch["sound_late"][1], lag, delta=0.002)
            self.assertAlmostEqual(stretch["picture_late"][1], picture_lag, delta=0.002)
        # Where a stretch began only when it began without a drop-out.
        first, second = stretches
        self.assertAlmostEqual(first["after_first"], sound_lags[0] - picture_lag, delta=0.002)
        self.assertAlmostEqual(first["sound_late"][0], sound_lags[0], delta=0.002)
        self.assertAlmostEqual(first["picture_late"][0], picture_lag, delta=0.002)
        self.assertIsNone(second["after_first"])
        self.assertIsNone(second["sound_late"][0])
        self.assertEqual([s["pairs"] for s in stretches], [5, 5])   # a change of second is where a second begins
        self.assertEqual(result["monitor"]["ahead_ms"], [4.0, 4.0, 4.0])
        self.assertEqual(result["monitor"]["sink_latency_ms"], [3.8, 4.5])


if __name__ == "__main__":
    unittest.main()
