#!/usr/bin/env python3
"""The README and the manual's pages keep their links, paths and figures: every relative link and picture of
README.md and docs/*.md names a file that exists, every #anchor names a heading of the page it points into
(GitHub's anchors), every path of the repository written in `code` names what is there, every figure of the
README's Performance section (a number with decimals, or with its unit: "14.99", "387 ms") is one that
bench/REPORT.md holds, and the README stays a front page, under 200 lines.

    tools/docs_check.py [--root DIR]    check the pages under DIR (default: the repository); exit 1 on a fault

Links to other sites (http:, https:, mailto:) are not followed: a check of those would fail with the network,
not with the pages. Links inside code (fenced blocks and `spans`) are text, not links, and are left alone.

A path in code is a word of a `span` whose first part is a folder or file at the repository's root (`app/...`,
`tools/...`; not what the builds make, such as `build/`). It is there when it exists as written, as a class's
file pair without its extension (`app/live/LiveTools`), or as a pattern (`data/actors/*.xml`; a part in capitals
such as TARGET stands for any name).
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
PLACEHOLDER = re.compile(r"^[A-Z][A-Z0-9_]*$")
# What the builds and the set-up make at the root: not the repository's.
GENERATED = re.compile(r"^(build(-.*)?|\.wine|\.deps|\.git)$")
# A figure: a number with decimals, or one with its unit (a count such as "2 cores" or "1280 x 720" is none).
FIGURE = re.compile(r"(?<![\w.])(\d[\d,]*\.\d+|\d[\d,]*(?=(?:\s?(?:ms|µs|us|s|MB|GB|%)|x)\b))")
PERFORMANCE = "Performance"


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


def repository_entries(root):
    """The names at the root of the repository that paths in code may start with."""
    return {entry.name for entry in root.iterdir() if not GENERATED.match(entry.name)}


def path_exists(root, path):
    """Whether `path` (from the root) names what is there: as written, as a file pair without its extension, or
    as a pattern, a part in capitals standing for any name."""
    parts = [("*" if PLACEHOLDER.match(part) else part) for part in path.rstrip("/").split("/")]
    pattern = "/".join(parts)
    if any(root.glob(pattern)):
        return True
    return "*" not in pattern.rsplit("/", 1)[-1] and any(root.glob(pattern + ".*"))


def path_faults_of(page, root, entries):
    """The paths of the repository written in code on one page that name nothing, as "file:line: what" lines."""
    faults = []
    name = page.relative_to(root).as_posix()
    for number, line in text_lines(page.read_text(encoding="utf-8")):
        for match in CODE_SPAN.finditer(line):
            for word in match.group(2).split():
                word = word.strip("()[],;:'\"=")
                first = word.split("/", 1)[0]
                if "/" not in word or first not in entries:
                    continue
                if not path_exists(root, word):
                    faults.append(f"{name}:{number}: `{word}`: no such file or folder in the repository")
    return faults


def section(text, heading):
    """The lines of the page's section under `## heading`, up to the next heading of that level or higher."""
    lines, inside = [], False
    for _, line in text_lines(text):
        match = HEADING.match(line)
        if match and len(match.group(1)) <= 2:
            inside = match.group(2) == heading and len(match.group(1)) == 2
            continue
        if inside:
            lines.append(line)
    return lines


def figures(text, all_numbers=False):
    """The figures of a text (every number, with `all_numbers`), thousands separators dropped, outside code and
    link targets."""
    text = CODE_SPAN.sub(" ", text)
    text = re.sub(r"\]\([^)]*\)", "]", text)
    found = re.findall(r"(?<![\w.])\d[\d,]*(?:\.\d+)?", text) if all_numbers else FIGURE.findall(text)
    return [number.replace(",", "") for number in found]


def figure_faults(root, readme):
    """The figures of the README's Performance section that bench/REPORT.md does not hold."""
    report = root / "bench" / "REPORT.md"
    lines = section(readme.read_text(encoding="utf-8"), PERFORMANCE)
    if not lines:
        return []
    if not report.is_file():
        return [f"README.md: its {PERFORMANCE} section states figures, and bench/REPORT.md is missing"]
    held = set(figures(report.read_text(encoding="utf-8"), all_numbers=True))
    stated = [figure for figure in figures("\n".join(lines)) if figure not in held]
    return [f"README.md: {PERFORMANCE}: {figure} is not a figure of bench/REPORT.md" for figure in stated]


def check(root):
    faults = []
    readme = root / "README.md"
    if not readme.is_file():
        return ["README.md: missing"]
    lines = len(readme.read_text(encoding="utf-8").splitlines())
    if lines >= README_LINES:
        faults.append(f"README.md: {lines} lines; the front page stays under {README_LINES} (move the rest to docs/)")
    cache = {}
    entries = repository_entries(root)
    for page in [readme] + sorted((root / "docs").glob("*.md")):
        faults += faults_of(page, root, cache)
        faults += path_faults_of(page, root, entries)
    faults += figure_faults(root, readme)
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
