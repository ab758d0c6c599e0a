#!/usr/bin/env python3
"""engine-capture.exe's studio switches under Wine, each against pictures computed from plain captures by the
switch's own definition: a supersampled picture is the large capture averaged in blocks in linear light, a blurred
one the linear-light mean of the captures of its sub-frames' moments, a still scene blurs to itself byte for byte,
and chunks of frames (--frames) are byte for byte the frames of a whole run.

    StudioRenderTest.py --bin BUILD/bin --scratch DIR
"""

import argparse
import filecmp
import math
import os
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "capture"))
from rgb_png import read_png  # noqa: E402

ARGS = None


def to_linear(byte):
    c = byte / 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def to_byte(linear):
    c = linear * 12.92 if linear <= 0.0031308 else 1.055 * linear ** (1 / 2.4) - 0.055
    return max(0, min(255, round(c * 255)))


LINEAR = [to_linear(b) for b in range(256)]


def linear_mean(pictures, factor):
    """The mean of equally large RGB pictures, each averaged down in factor x factor blocks, in linear light."""
    width, height, _ = pictures[0]
    out_w, out_h = width // factor, height // factor
    samples = len(pictures) * factor * factor
    out = bytearray(out_w * out_h * 3)
    for y in range(out_h):
        for x in range(out_w):
            for c in range(3):
                total = 0.0
                for _, _, rgb in pictures:
                    for j in range(factor):
                        row = ((y * factor + j) * width + x * factor) * 3 + c
                        for i in range(factor):
                            total += LINEAR[rgb[row + i * 3]]
                out[(y * out_w + x) * 3 + c] = to_byte(total / samples)
    return out_w, out_h, bytes(out)


def difference(expected, actual):
    """(RMSE as a fraction of full scale, largest difference of one channel) of two RGB pictures of one size."""
    assert expected[:2] == actual[:2], f"sizes differ: {expected[:2]} and {actual[:2]}"
    a, b = expected[2], actual[2]
    squares = sum((x - y) * (x - y) for x, y in zip(a, b))
    return math.sqrt(squares / len(a)) / 255.0, max(abs(x - y) for x, y in zip(a, b))


def sub_frame_moments(seconds, samples, shutter, fps=60):
    """The moments of a blurred picture's sub-frames, to the nanosecond, as --at must name them."""
    moments = []
    for i in range(samples):
        offset = round(shutter * ((i + 0.5) / samples - 0.5) * 1e9 / fps)
        moments.append(max(0, round(seconds * 1e9) + offset))
    return [f"{m // 1_000_000_000}.{m % 1_000_000_000:09d}" for m in moments]


def capture(name, *args):
    """Runs engine-capture.exe in the program's folder with --out SCRATCH/name; returns that folder."""
    out = os.path.join(ARGS.scratch, name)
    shutil.rmtree(out, ignore_errors=True)
    command = [os.path.join(ROOT, "tools", "winerun"), "./engine-capture.exe", *args, "--out", out]
    result = subprocess.run(command, cwd=ARGS.bin, capture_output=True, text=True, timeout=900)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} ended with {result.returncode}:\n{result.stderr[-3000:]}")
    return out


def stream(*args):
    """The raw RGB frames engine-capture.exe --stream writes with these switches."""
    command = [os.path.join(ROOT, "tools", "winerun"), "./engine-capture.exe", "--stream", *args]
    result = subprocess.run(command, cwd=ARGS.bin, capture_output=True, timeout=900)
    if result.returncode != 0:
        raise AssertionError(f"--stream {' '.join(args)} ended with {result.returncode}:\n"
                             f"{result.stderr.decode(errors='replace')[-3000:]}")
    return result.stdout


class Supersampling(unittest.TestCase):
    def test_four_by_four_samples_are_the_large_picture_averaged_in_linear_light(self):
        small = capture("ss4", "--at", "8,20", "--size", "320x180", "--supersample", "4")
        large = capture("large", "--at", "8,20", "--size", "1280x720")
        for moment in ("t8.000.png", "t20.000.png"):
            expected = linear_mean([read_png(os.path.join(large, moment))], 4)
            rmse, largest = difference(expected, read_png(os.path.join(small, moment)))
            self.assertLess(rmse, 0.01, moment)
            self.assertLessEqual(largest, 1, f"{moment}: more than the last bit's rounding")


class MotionBlur(unittest.TestCase):
    def test_a_blurred_supersampled_frame_is_the_mean_of_the_captures_of_its_sub_frames(self):
        moments = sub_frame_moments(20.0, 6, 0.8)
        blurred = capture("blur", "--at", "20", "--size", "160x90", "--supersample", "2", "--motion-blur", "6",
                          "--shutter", "0.8")
        subs = capture("subs", "--at", ",".join(moments), "--size", "320x180")
        pictures = [read_png(os.path.join(subs, name)) for name in sorted(os.listdir(subs))]
        self.assertEqual(len(pictures), 6)
        self.assertNotEqual(pictures[0][2], pictures[-1][2], "the sub-frames do not move: nothing is checked")
        rmse, largest = difference(linear_mean(pictures, 2), read_png(os.path.join(blurred, "t20.000.png")))
        self.assertLess(rmse, 0.001)
        self.assertLessEqual(largest, 1)

    def test_a_still_scene_blurs_to_exactly_its_unblurred_picture(self):
        still = os.path.join(ARGS.scratch, "still.xml")
        with open(still, "w") as f:
            f.write('<Choreography version="1">\n    <Camera x="86" y="4" z="-20" sky="0"/>\n</Choreography>\n')
        sharp = capture("still-sharp", "--choreography", still, "--at", "5,5.3", "--size", "320x180")
        blurred = capture("still-blurred", "--choreography", still, "--at", "5,5.3", "--size", "320x180",
                          "--motion-blur", "16", "--shutter", "1")
        for moment in ("t5.000.png", "t5.300.png"):
            self.assertTrue(filecmp.cmp(os.path.join(sharp, moment), os.path.join(blurred, moment), shallow=False),
                            moment)


class Chunks(unittest.TestCase):
    def test_chunks_of_frames_are_byte_for_byte_the_frames_of_a_whole_run(self):
        common = ["--until", "1", "--size", "160x90", "--supersample", "2", "--motion-blur", "3"]
        whole = stream(*common)
        frame_bytes = 160 * 90 * 3
        self.assertEqual(len(whole), 61 * frame_bytes)
        chunks = b"".join(stream(*common, "--frames", chunk) for chunk in ("0-19", "20-44", "45-60"))
        self.assertEqual(len(chunks), len(whole))
        for frame in range(61):
            part = slice(frame * frame_bytes, (frame + 1) * frame_bytes)
            self.assertEqual(chunks[part], whole[part], f"frame {frame}")

    def test_a_chunk_of_pictures_names_and_draws_its_frames_as_the_whole_run_does(self):
        whole = capture("every-whole", "--every", "--until", "1", "--size", "160x90")
        chunk = capture("every-chunk", "--every", "--until", "1", "--size", "160x90", "--frames", "50-60")
        names = sorted(os.listdir(chunk))
        self.assertEqual(names, [f"frame-{n:06d}.png" for n in range(50, 61)])
        for name in names:
            self.assertTrue(filecmp.cmp(os.path.join(whole, name), os.path.join(chunk, name), shallow=False), name)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--scratch", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.bin = os.path.abspath(ARGS.bin)
    ARGS.scratch = os.path.abspath(ARGS.scratch)
    os.makedirs(ARGS.scratch, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
