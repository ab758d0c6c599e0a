#!/usr/bin/env python3
"""What tools/music/timecode.py makes of a music log and a recording, on made-up ones: the stretches of running
clock (start-up, a stop, a jump, a start sought again, the end), and how late each stretch of sound is heard, where
it began and over all of it. app_music's verdicts rest on these."""

import array
import math
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "music"))
import timecode  # noqa: E402

WALL = 1796790000.0


def log_line(clock, wall, command, answer=""):
    """A line of engine.exe --music-log: the command, how long it took, then its answer and the player's note."""
    return "music: %.3f s, wall %.4f s: %s (0.1 ms)%s\n" % (clock, WALL + wall, command,
                                                             " -> " + answer if answer else "")


class ClockSegmentsTest(unittest.TestCase):
    def segments(self, lines):
        with tempfile.NamedTemporaryFile("w", suffix=".err", delete=False) as f:
            f.write("World1.xml: 0 actors loaded\n")
            f.writelines(lines)
        try:
            return timecode.clock_segments(f.name)
        finally:
            os.unlink(f.name)

    def test_stops_jumps_starts_sought_again_and_the_end(self):
        segments = self.segments([
            log_line(0, 0.0, "open DemoTrack01.mp3 type mpegvideo"),
            log_line(0, 0.9, "play DemoTrack01.mp3"),
            # Start-up's wait for the track: the clock starts when it ends.
            log_line(0, 1.1, "status DemoTrack01.mp3 position", "220"),
            log_line(2.0, 3.1, "pause DemoTrack01.mp3"),
            # The clock starts again 3 s later: a stop, then a start found late and sought again.
            log_line(2.0, 6.1, "play DemoTrack01.mp3 from 2220"),
            log_line(2.05, 6.15, "status DemoTrack01.mp3 position",
                     "2226 (started 56.0 ms after the command, 56.0 ms late: again)"),
            log_line(2.05, 6.15, "pause DemoTrack01.mp3"),
            log_line(2.05, 6.15, "play DemoTrack01.mp3 from 2326"),
            log_line(2.06, 6.16, "status DemoTrack01.mp3 position",
                     "2327 (started 1.0 ms after the command, 0.5 ms late: on time)"),
            # A seek: the pause and the play go out together.
            log_line(10.0, 8.2, "pause DemoTrack01.mp3"),
            log_line(10.0, 8.2, "play DemoTrack01.mp3 from 10220"),
            log_line(13.0, 11.2, "close DemoTrack01.mp3"),
        ])
        self.assertEqual([s["ended"] for s in segments], ["stop", "jump", "end"])
        first, second, third = segments
        self.assertAlmostEqual(first["wall"][0], WALL + 1.1, places=3)   # from the end of start-up's wait
        self.assertAlmostEqual(first["stopped"], 3.0, places=3)
        # The start sought again goes on with its stretch: one stretch from the first play to the seek.
        self.assertEqual(second["again"], 1)
        self.assertAlmostEqual(second["wall"][0], WALL + 6.1, places=3)
        self.assertAlmostEqual(second["clock"][1], 4.1, places=3)
        self.assertEqual(third["again"], 0)
        self.assertEqual(third["clock"], [10.0, 13.0])


def tones(seconds_heard):
    """A recording (s16le stereo at 44.1 kHz) of the time-coded track: for each (recording start, music start,
    length) the track's sound from that music time, silence elsewhere."""
    end = max(at + length for at, _, length in seconds_heard) + 0.5
    samples = array.array("h", bytes(4 * int(end * timecode.RATE)))
    for at, music, length in seconds_heard:
        for i in range(int(length * timecode.RATE)):
            t = music + i / timecode.RATE
            second = int(t)
            # The tone's phase from the start of its second is enough: the reader measures frequency only.
            value = int(12000 * math.sin(2 * math.pi * (timecode.LOWEST_HZ + timecode.STEP_HZ * second) * t))
            frame = int(at * timecode.RATE) + i
            samples[2 * frame] = samples[2 * frame + 1] = value
    return samples


class StretchesTest(unittest.TestCase):
    def test_where_a_stretch_began_and_how_it_wandered(self):
        # Music 0.5-4.5 s heard from 1.0 s of the recording (0.5 s later than its music), then after a pause music
        # 6.5-9.0 s heard 0.520 s late and, from music 9.0 s on (its first three changes of second past), 0.580 s
        # late: a stretch that fell behind.
        samples = tones([(1.0, 0.5, 4.0), (7.02, 6.5, 2.5), (9.58, 9.0, 4.0)])
        with tempfile.NamedTemporaryFile(suffix=".raw", delete=False) as f:
            f.write(samples.tobytes())
        try:
            sound = timecode.stretches(timecode.tone_runs(f.name))
        finally:
            os.unlink(f.name)
        self.assertEqual(len(sound), 2)
        # Each change of second is placed to the millisecond, low tones (long periods) included.
        self.assertAlmostEqual(sound[0]["offset"], 0.5, delta=0.002)
        self.assertAlmostEqual(sound[0]["offset_first"], 0.5, delta=0.002)
        self.assertAlmostEqual(sound[0]["music"][0], 0.5, delta=0.01)
        # The second: changes at 7, 8, 9 s heard 0.52 s late, at 10, 11, 12 s 0.58 s late.
        self.assertAlmostEqual(sound[1]["offset_first"], 0.52, delta=0.002)
        self.assertAlmostEqual(sound[1]["offset"], 0.58, delta=0.002)


if __name__ == "__main__":
    unittest.main()
