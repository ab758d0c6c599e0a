#!/usr/bin/env python3
"""The code folders' dependency picture, read from the #include lines (tests left out), as a Mermaid graph.

    tools/layout_graph.py            print the graph
    tools/layout_graph.py --write    put it into docs/layout.md, between its two markers
    tools/layout_graph.py --check    fail when docs/layout.md's graph is stale, when a lower layer includes the
                                     live tools (only the application object and the entry point wire them in),
                                     or when a lower layer includes from app/ what is not meant for every layer
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PAGE = ROOT / "docs" / "layout.md"
BEGIN = "<!-- layout graph: tools/layout_graph.py --write -->"
END = "<!-- end of layout graph -->"
CODE = ["files", "app", "events", "actors", "scene", "graphics", "tools"]
LIVE = "app/live"
# The wiring points of the live tools: nothing else below them includes app/live.
LIVE_WIRING = {"app/SystemClass.cpp", "app/SystemClassWindow.cpp", "app/main.cpp"}
# The layers below the application: what they include from app/ is only what the application lends to every
# layer, each for its reason. Anything else they need from there belongs in a folder below them (files/).
LOWER_LAYERS = ("files", "events", "actors", "scene", "graphics")
APP_FOR_EVERY_LAYER = {
    "app/SystemClass.h": "the application object, whose static accessors reach the options, timer and input",
    "app/EngineOptions.h": "the options, which the device, the camera and the frame read",
    "app/FrameTimer.h": "the event manager's time budget is a second frame timer",
    "app/MessageBox.h": "graphics set-up reports a start-up failure in the application's one message box",
    "app/Win32Handles.h": "the window handle that the graphics object is set up with",
    "app/FrameStats.h": "the frame's costs, which the graphics object and its device timer fill in",
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    """The node a file belongs to: its folder, with tools/ taken one level deep."""
    parts = pathlib.PurePosixPath(path).parts[:-1]
    if parts and parts[0] == "tools":
        parts = parts[:2]
    return "/".join(parts)


def sources():
    for top in CODE:
        for path in sorted((ROOT / top).rglob("*")):
            if path.suffix in (".cpp", ".h") and path.is_file():
                yield path.relative_to(ROOT).as_posix()


def edges_and_breaches():
    edges, breaches = set(), []
    for source in sources():
        here = folder_of(source)
        for included in INCLUDE.findall((ROOT / source).read_text(encoding="utf-8", errors="replace")):
            if not (ROOT / included).is_file():
                continue   # a system or dependency header, or one relative to its own folder
            there = folder_of(included)
            if there != here:
                edges.add((here, there))
            live = there == LIVE or there.startswith(LIVE + "/")
            if live and not here.startswith(LIVE) and source not in LIVE_WIRING and not here.startswith("tools"):
                breaches.append(f"{source} includes {included} (only {', '.join(sorted(LIVE_WIRING))} wire in "
                                "the live tools)")
            elif (here.split("/")[0] in LOWER_LAYERS and there.split("/")[0] == "app"
                  and included not in APP_FOR_EVERY_LAYER):
                breaches.append(f"{source} includes {included}, which runs up into app/ (lower layers include only "
                                f"{', '.join(sorted(APP_FOR_EVERY_LAYER))})")
    return sorted(edges), breaches


def mermaid(edges):
    ids = {name: re.sub(r"\W", "_", name) for edge in edges for name in edge}
    lines = ["```mermaid", "graph TD"]
    lines += [f'    {ids[name]}["{name}/"]' for name in sorted(ids)]
    lines += [f"    {ids[a]} --> {ids[b]}" for a, b in edges]
    lines.append("```")
    return "\n".join(lines)


def page_with(graph):
    text = PAGE.read_text(encoding="utf-8")
    start, stop = text.find(BEGIN), text.find(END)
    if start < 0 or stop < start:
        sys.exit(f"{PAGE}: the layout graph's markers are missing")
    return text[: start + len(BEGIN)] + "\n" + graph + "\n" + text[stop:]


def main():
    edges, breaches = edges_and_breaches()
    graph = mermaid(edges)
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode == "--write":
        PAGE.write_text(page_with(graph), encoding="utf-8")
    elif mode == "--check":
        failed = False
        for breach in breaches:
            print(f"layout: {breach}")
            failed = True
        if page_with(graph) != PAGE.read_text(encoding="utf-8"):
            print(f"{PAGE}: the layout graph is stale; run tools/layout_graph.py --write")
            failed = True
        return 1 if failed else 0
    else:
        print(graph)
    return 0


if __name__ == "__main__":
    sys.exit(main())
