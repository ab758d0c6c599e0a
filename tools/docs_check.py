#!/usr/bin/env python3
"""The README and the manual's pages keep their links: every relative link and picture of README.md and
docs/*.md names a file that exists, every #anchor names a heading of the page it points into (GitHub's anchors),
and the README stays a front page, under 200 lines.

    tools/docs_check.py [--root DIR]    check the pages under DIR (default: the repository); exit 1 on a fault

Links to other sites (http:, https:, mailto:) are not followed: a check of those would fail with the network,
not with the pages. Links inside code (fenced blocks and `spans`) are text, not links, and are left alone.
"""
import argparse
import pathlib
import re
import sys
import urllib.parse

ROOT = pathlib.Path(__file__).resolve().parent.parent
README_LINES = 200   # the front page must stay below this many lines

FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")
# [text](target) and ![alt](target), with an optional "title"; the text may hold one level of [brackets].
LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
HTML_ANCHOR = re.compile(r"<a\s+(?:name|id)=\"([^\"]+)\"", re.I)
EXTERNAL = re.compile(r"^[a-z][a-z0-9+.-]*:", re.I)


def text_lines(text):
    """The page's lines outside fenced code blocks, with their numbers, code spans blanked."""
    fence = None
    for number, line in enumerate(text.split("\n"), 1):
        match = FENCE.match(line)
        if match:
            if fence is None:
                fence = match.group(1)
            elif match.group(1) == fence:
                fence = None
            continue
        if fence is None:
            yield number, line


def slug(heading):
    """GitHub's anchor for a heading: its text as shown, lower case, punctuation other than - and _ dropped,
    spaces turned into hyphens."""
    shown = CODE_SPAN.sub(lambda m: m.group(2), heading)
    shown = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", shown)   # a link shows its text
    shown = re.sub(r"<[^>]+>", "", shown)                       # HTML tags show nothing
    shown = shown.strip().lower()
    return "".join(c for c in shown if c.isalnum() or c in "-_ ").replace(" ", "-")


def anchors(path):
    """Every anchor a page offers: one per heading (a repeated one gets -1, -2, ...) and each <a name/id>."""
    found, seen = set(), {}
    for _, line in text_lines(path.read_text(encoding="utf-8")):
        match = HEADING.match(line)
        if match:
            base = slug(match.group(2))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
        found.update(HTML_ANCHOR.findall(line))
    return found


def faults_of(page, root, cache):
    """What is wrong with one page's links, as "file:line: what" lines."""
    faults = []
    name = page.relative_to(root).as_posix()
    for number, line in text_lines(page.read_text(encoding="utf-8")):
        for target in LINK.findall(CODE_SPAN.sub("code", line)):
            if not target or EXTERNAL.match(target):
                continue
            path_part, _, anchor = target.partition("#")
            path_part = urllib.parse.unquote(path_part)
            if path_part.startswith("/"):
                faults.append(f"{name}:{number}: {target}: a link from the site's root does not work on every host")
                continue
            linked = (page.parent / path_part).resolve() if path_part else page
            if not linked.exists():
                faults.append(f"{name}:{number}: {target}: no such file")
                continue
            if anchor and linked.suffix.lower() == ".md":
                if linked not in cache:
                    cache[linked] = anchors(linked)
                if urllib.parse.unquote(anchor) not in cache[linked]:
                    where = "this page" if linked == page else path_part
                    faults.append(f"{name}:{number}: {target}: no heading of {where} has the anchor #{anchor}")
    return faults


def check(root):
    faults = []
    readme = root / "README.md"
    if not readme.is_file():
        return ["README.md: missing"]
    lines = len(readme.read_text(encoding="utf-8").splitlines())
    if lines >= README_LINES:
        faults.append(f"README.md: {lines} lines; the front page stays under {README_LINES} (move the rest to docs/)")
    cache = {}
    for page in [readme] + sorted((root / "docs").glob("*.md")):
        faults += faults_of(page, root, cache)
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", type=pathlib.Path, default=ROOT, help="the repository whose pages to check")
    root = parser.parse_args().root.resolve()
    faults = check(root)
    for fault in faults:
        print(f"docs: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
