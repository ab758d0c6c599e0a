#!/usr/bin/env python3
"""The release archive as a user gets it (cmake --build build --target package): it holds exactly the two
programs, the presentation's data and the two texts, in one folder named like the archive; it stays under 20 MB;
its programs are stripped and print the version the archive is named after; and unpacked into an empty folder,
engine-capture.exe draws the frame at 1 s there byte for byte as the build's own program does in bin/, so the
archive lacks nothing that frame needs and the run takes nothing from the build tree.

ReleaseArchiveTest.py --build BUILD_DIR --source SOURCE_DIR --objdump OBJDUMP [--music]   (CTest: tools_release)
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

LIMIT_BYTES = 20 * 1000 * 1000
# --until ends the run after the moment instead of playing the other 57 seconds (2.5 minutes under Wine).
CAPTURE = ["--at", "1", "--size", "320x180", "--until", "1"]
PROGRAMS = ["engine.exe", "engine-capture.exe"]

args = None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def png_size(path):
    """Width and height from a PNG's header chunk."""
    header = read(path)[:24]
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", header[16:24])


def winerun(program, arguments, folder):
    return subprocess.run([os.path.join(args.source, "tools", "winerun"), program] + arguments, cwd=folder,
                          capture_output=True, text=True, timeout=300)


class ReleaseArchiveTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(args.build, "generated", "version.txt")) as f:
            cls.version = f.read().strip()
        cls.top = "Engine-%s-win64" % cls.version
        cls.zip = os.path.join(args.build, cls.top + ".zip")
        if not os.path.isfile(cls.zip):
            raise AssertionError("%s is missing: make it with `cmake --build build --target package` (./test.sh does)"
                                 % cls.zip)
        cls.scratch = tempfile.TemporaryDirectory(prefix="engine-release-")
        with zipfile.ZipFile(cls.zip) as archive:
            cls.names = sorted(n for n in archive.namelist() if not n.endswith("/"))
            archive.extractall(cls.scratch.name)
        cls.unpacked = os.path.join(cls.scratch.name, cls.top)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def expected_data(self):
        """The presentation's data: every file of data/, every file the asset generator listed, the music."""
        names = []
        data = os.path.join(args.source, "data")
        for folder, _, files in os.walk(data):
            names += [os.path.relpath(os.path.join(folder, f), data).replace(os.sep, "/") for f in files]
        with open(os.path.join(args.build, "asset-generator", "assets.list")) as f:
            names += [line.strip() for line in f if line.strip()]
        if args.music:
            names.append("DemoTrack01.mp3")
        return names

    def test_holds_exactly_the_programs_the_data_and_the_two_texts(self):
        expected = sorted(self.top + "/" + n
                          for n in PROGRAMS + ["README.txt", "THIRD-PARTY-NOTICES.txt"] + self.expected_data())
        self.assertEqual(len(expected), len(set(expected)), "a data file is listed twice")
        missing = sorted(set(expected) - set(self.names))
        extra = sorted(set(self.names) - set(expected))
        self.assertEqual((missing, extra), ([], []), "missing from the archive / not expected in it")

    def test_stays_under_20_mb(self):
        size = os.path.getsize(self.zip)
        print("%s: %d bytes (%.1f MB), %d files" % (os.path.basename(self.zip), size, size / 1e6, len(self.names)))
        self.assertLess(size, LIMIT_BYTES)

    def test_data_is_what_the_build_made(self):
        for name in self.expected_data():
            with self.subTest(name=name):
                unpacked = os.path.join(self.unpacked, name)
                self.assertTrue(os.path.isfile(unpacked), "missing")
                self.assertTrue(read(unpacked) == read(os.path.join(args.build, "bin", name)), "differs from bin/")

    def test_texts_name_the_version_and_every_linked_library(self):
        readme = read(os.path.join(self.unpacked, "README.txt")).decode()
        notices = read(os.path.join(self.unpacked, "THIRD-PARTY-NOTICES.txt")).decode()
        self.assertIn(self.version, readme)
        for library in ["Dear ImGui", "TinyXML", "tinyobjloader", "stb", "MinGW-w64", "winpthreads", "libstdc++",
                        "GCC Runtime Library Exception", "GNU GENERAL PUBLIC LICENSE"]:
            self.assertIn(library, notices)
        for text in (readme, notices):
            self.assertNotIn("\n", text.replace("\r\n", ""), "a line end Notepad may not show")

    def test_programs_are_stripped_and_print_the_version(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                sections = subprocess.run([args.objdump, "-h", os.path.join(self.unpacked, program)],
                                          capture_output=True, text=True, check=True).stdout
                self.assertNotIn(".debug_", sections)
                result = winerun("./" + program, ["--version"], self.unpacked)
                self.assertEqual((result.returncode, result.stdout), (0, "Engine %s\n" % self.version), result.stderr)

    def test_capture_runs_in_the_unpacked_folder_as_in_the_build(self):
        result = winerun("./engine-capture.exe", CAPTURE, self.unpacked)
        self.assertEqual(result.returncode, 0, result.stderr)
        shot = os.path.join(self.unpacked, "t1.000.png")
        self.assertEqual(png_size(shot), (320, 180))

        # The same arguments give the same bytes: had the archive lacked a mesh or a texture, the picture would
        # differ from the one the build's own program draws beside the build's data.
        with tempfile.TemporaryDirectory(prefix="engine-release-bin-") as out:
            built = winerun("./engine-capture.exe", CAPTURE + ["--out", out], os.path.join(args.build, "bin"))
            self.assertEqual(built.returncode, 0, built.stderr)
            self.assertTrue(read(shot) == read(os.path.join(out, "t1.000.png")),
                            "the unpacked program drew a different picture")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--music", action="store_true")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
