#!/usr/bin/env python3
"""The pictures check without a capture: its PNG reader against ffmpeg's on the committed reference pictures and
on every filter type, and damaged files refused by name."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "capture"))
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


if __name__ == "__main__":
    unittest.main()
