#!/usr/bin/env python3
"""The pages' link check (tools/docs_check.py) on made-up pages: sound pages pass, with links across pages,
anchors of headings with code and punctuation, repeated headings and pictures; a link to a missing file, an
anchor no heading has (on the same page or another), a missing picture and a README of 200 lines each fail and
are named; links inside code and to other sites are left alone."""

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

[Another site](https://example.invalid/missing.md#nothing) is not followed.
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

    def test_a_readme_of_200_lines_fails(self):
        lines = README.count("\n")
        self.append("README.md", "text\n" * (199 - lines))
        self.assertEqual(self.check(), (0, ""))
        self.append("README.md", "one line too many\n")
        self.assertFails("README.md: 200 lines")


if __name__ == "__main__":
    unittest.main(verbosity=2)
