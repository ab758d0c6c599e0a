#!/usr/bin/env python3
"""The pictures check without a capture: its PNG reader against ffmpeg's on the committed reference pictures and
on every filter type, damaged files refused by name, and the tolerance on a reference picture with rounding-like
noise, a moved patch and a small brightness change."""

import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "capture"))
import reference_pictures as pictures  # noqa: E402
from rgb_png import PngError, read_png, write_png  # noqa: E402

REFERENCE = os.path.join(HERE, "reference-pictures", "t12.000.png")


def ffmpeg_rgb(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                          capture_output=True, check=True).stdout


@unittest.skipIf(shutil.which("ffmpeg") is None, "needs ffmpeg (tools/setup.sh installs it)")
class PngReadingTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def test_reads_the_programs_pictures_ffmpegs_filters_and_its_own_files_as_ffmpeg_does(self):
        paths = [REFERENCE]
        for pix_fmt, pred in (("rgb24", "mixed"), ("rgba", "avg"), ("rgb24", "sub"), ("rgb24", "up")):
            paths.append(os.path.join(self.folder.name, f"{pix_fmt}-{pred}.png"))
            subprocess.run(["ffmpeg", "-v", "error", "-i", REFERENCE, "-pix_fmt", pix_fmt, "-pred", pred, paths[-1]],
                           check=True)
        width, height, rgb = read_png(REFERENCE)
        paths.append(os.path.join(self.folder.name, "written.png"))
        write_png(paths[-1], width, height, rgb)
        for path in paths:
            width, height, rgb = read_png(path)
            self.assertEqual((width, height), (320, 180), path)
            self.assertTrue(rgb == ffmpeg_rgb(path), f"{path}: other pixels than ffmpeg's")

    def test_damaged_files_are_refused_naming_the_file(self):
        with open(REFERENCE, "rb") as f:
            good = f.read()
        header_end = 8 + 8 + 13 + 4
        huge = bytearray(good[:header_end])
        huge[16:24] = (16384).to_bytes(4, "big") * 2   # a 16384 x 16384 picture in 100 KB of data
        huge[29:33] = zlib.crc32(bytes(huge[12:29])).to_bytes(4, "big")
        damages = {"cut.png": good[:len(good) // 2], "crc.png": good[:40] + bytes([good[40] ^ 1]) + good[41:],
                   "empty.png": b"", "huge.png": bytes(huge) + good[header_end:]}
        for name, data in damages.items():
            path = os.path.join(self.folder.name, name)
            with open(path, "wb") as f:
                f.write(data)
            with self.assertRaises(PngError) as caught:
                read_png(path)
            self.assertIn(path, str(caught.exception))


class ToleranceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.width, cls.height, cls.reference = read_png(REFERENCE)

    def difference(self, changed):
        return pictures.Difference(self.width, self.height, self.reference, bytes(changed))

    def test_rounding_noise_and_isolated_pixels_are_within_tolerance(self):
        noisy = bytearray(self.reference)
        rng = random.Random(5)
        for i in range(len(noisy)):
            noisy[i] = min(255, max(0, noisy[i] + rng.choice((-1, 0, 0, 1))))
        for pixel in range(0, self.width * self.height, 97):   # two or three pixels far off in every block
            noisy[pixel * 3] ^= 0x80
        self.assertTrue(self.difference(noisy).within_tolerance())

    def test_a_patch_moved_by_two_pixels_fails_where_it_lies(self):
        moved = bytearray(self.reference)
        stride = self.width * 3
        for y in range(70, 82):   # 12 x 12 pixels of column base at (260, 70), two pixels to the right
            moved[y * stride + 262 * 3:y * stride + 274 * 3] = self.reference[y * stride + 260 * 3:y * stride + 272 * 3]
        difference = self.difference(moved)
        self.assertFalse(difference.within_tolerance())
        self.assertTrue(all(256 <= x < 288 and 64 <= y < 96 for x, y in difference.blocks_over), difference.blocks_over)

    def test_brightness_two_levels_up_fails_and_one_level_passes(self):
        for step, within in ((1, True), (2, False)):
            brighter = bytes(min(255, v + step) for v in self.reference)
            self.assertEqual(self.difference(brighter).within_tolerance(), within, step)


if __name__ == "__main__":
    unittest.main()
