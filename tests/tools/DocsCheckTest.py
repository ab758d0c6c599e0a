#!/usr/bin/env python3
"""The pages' check (tools/docs_check.py) on made-up pages: sound pages pass, with links across pages, anchors of
headings with code and punctuation, repeated headings, pictures, paths in code as files, file pairs, patterns and
placeholders, and README figures the benchmark report holds; a link to a missing file, an anchor no heading has
(on the same page or another), a missing picture, a path in code that names nothing, a README figure the report
does not hold and a README of 200 lines each fail and are named; links inside code and to other sites, and the
builds' own paths, are left alone."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "docs_check.py")

README = """# Engine

![The contact sheet](docs/sheet.jpg)

See [the manual](docs/manual.md), [its details](docs/manual.md#the-format-and-bad-files),
[the second summary](docs/manual.md#summary-1) and [the controls](#controls).

## Controls

[Another site](https://example.invalid/missing.md#nothing) is not followed. The keys are `app/live/KeyMap`'s,
the actors `data/actors/*.xml`, the fuzz inputs in `tools/fuzz/regressions/TARGET/`; `build/bin/engine.exe` is
the build's, and `tools/setup.sh --quiet` a command.

## Performance

14.99 frames a second at 1280 x 720 on 2 cores, against the baseline's 15.19: 0.99x. Submission per mesh
0.44 µs, the world loaded in 387 ms ([the report](bench/REPORT.md)).
"""

REPORT = """# Benchmark report

| figure | engine | baseline | engine / baseline |
|---|---|---|---|
| frames per second | 14.99 | 15.19 | 0.99 |
| submission per mesh µs | 0.44 | 0.62 | 0.73 |
| world ms | 387.3 | 737.5 | 0.54 |
| world, rounded | 387 | 738 | |
"""

MANUAL = """# The manual

Back to the [README's controls](../README.md#controls); [the flag](#without---watch-and-the-pieces).

## The format, and bad files!

```sh
# not a heading: [not a link](missing.md)
```

Code is text: `[not a link](missing.md)`.

## Without `--watch`, and the pieces

## Summary

## Summary

![A picture](shot.jpg)
"""


class DocsCheckTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = self.folder.name
        os.makedirs(os.path.join(self.root, "docs"))
        self.write("README.md", README)
        self.write("docs/manual.md", MANUAL)
        self.write("docs/sheet.jpg", "")
        self.write("docs/shot.jpg", "")
        for folder in ("app/live", "data/actors", "tools/fuzz/regressions/xml", "bench", "build/bin"):
            os.makedirs(os.path.join(self.root, folder))
        for name in ("app/live/KeyMap.h", "app/live/KeyMap.cpp", "data/actors/Ring.xml", "tools/setup.sh",
                     "tools/fuzz/regressions/xml/deep.xml", "bench/REPORT.md"):
            self.write(name, REPORT if name == "bench/REPORT.md" else "")

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, text):
        with open(os.path.join(self.root, name), "w", encoding="utf-8") as f:
            f.write(text)

    def append(self, name, text):
        with open(os.path.join(self.root, name), "a", encoding="utf-8") as f:
            f.write(text)

    def check(self):
        result = subprocess.run([sys.executable, CHECK, "--root", self.root], capture_output=True, text=True)
        return result.returncode, result.stdout

    def assertFails(self, *named):
        code, out = self.check()
        self.assertEqual(code, 1, out)
        for text in named:
            self.assertIn(text, out)
        return out

    def test_sound_pages_pass(self):
        self.assertEqual(self.check(), (0, ""))

    def test_a_link_to_a_missing_file_fails(self):
        self.append("docs/manual.md", "\nSee [the music](music.md).\n")
        self.assertFails("docs/manual.md:", "music.md")
        self.write("docs/music.md", "# Music\n")
        self.assertEqual(self.check(), (0, ""))

    def test_an_anchor_no_heading_has_fails(self):
        self.append("README.md", "\n[Gone](docs/manual.md#the-format)\n")
        self.assertFails("README.md:", "#the-format")
        self.write("README.md", README.replace("(#controls)", "(#controls-table)"))
        self.assertFails("README.md:", "#controls-table")
        # An anchor into the README from a page: the heading renamed breaks it.
        self.write("README.md", README.replace("## Controls", "## Keys"))
        self.assertFails("docs/manual.md:", "#controls")

    def test_a_missing_picture_fails(self):
        os.remove(os.path.join(self.root, "docs", "shot.jpg"))
        self.assertFails("docs/manual.md:", "shot.jpg")
        os.remove(os.path.join(self.root, "docs", "sheet.jpg"))
        self.assertFails("README.md:", "docs/sheet.jpg")

    def test_a_path_in_code_that_names_nothing_fails(self):
        self.append("docs/manual.md", "\nThe pieces: `app/live/KeyMap` and `app/live/Gone` (`graphics/Old.h`).\n")
        out = self.assertFails("docs/manual.md:", "`app/live/Gone`")
        self.assertNotIn("graphics", out, "a folder the repository does not have is no path of it")
        os.makedirs(os.path.join(self.root, "graphics"))
        out = self.assertFails("`app/live/Gone`", "`graphics/Old.h`")
        self.assertNotIn("KeyMap", out)
        self.write("graphics/Old.h", "")
        self.write("app/live/Gone.cpp", "")
        self.assertEqual(self.check(), (0, ""))
        # A pattern names nothing once nothing matches it.
        os.remove(os.path.join(self.root, "data", "actors", "Ring.xml"))
        self.assertFails("README.md:", "`data/actors/*.xml`")

    def test_a_readme_figure_the_report_does_not_hold_fails(self):
        self.write("bench/REPORT.md", REPORT.replace("14.99", "15.02"))
        self.assertFails("README.md: Performance: 14.99")
        self.write("bench/REPORT.md", REPORT.replace("| 387 |", "| 390 |"))
        self.assertFails("README.md: Performance: 387")
        os.remove(os.path.join(self.root, "bench", "REPORT.md"))
        self.assertFails("bench/REPORT.md is missing")

    def test_a_readme_of_200_lines_fails(self):
        lines = README.count("\n")
        self.append("README.md", "text\n" * (199 - lines))
        self.assertEqual(self.check(), (0, ""))
        self.append("README.md", "one line too many\n")
        self.assertFails("README.md: 200 lines")


if __name__ == "__main__":
    unittest.main(verbosity=2)
