#!/usr/bin/env python3
"""The presentation's pictures at the README's moments, compared byte for byte with a committed reference.

Captures the moments of the README's contact sheet (0.5, 4, 8, 12, 15.5, 20, 25, 30, 36, 45 and 55 s) at
320 x 180 on a fixed step of half a second with engine-capture.exe (run through tools/winerun), and compares the
SHA-256 of each PNG with the reference file, or writes that file. A change that is meant to leave the picture
alone (the renderer's speed-ups, say) must keep every hash.

The same program and data give the same bytes on the same software renderer; another Mesa, LLVM or Wine, or a
processor whose vector units make llvmpipe round differently, may not. The reference file names the renderer it
was made with, and a check on another one is skipped (exit code 77) rather than failed.

Usage: reference_pictures.py --bin BIN_DIR (--check FILE | --write FILE) [--keep DIR]
Exit codes: 0 the same (or written), 1 pictures differ or the capture failed, 77 another renderer, 64 usage.
--keep DIR keeps the captured PNGs there (to look at a difference).
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

MOMENTS = ["0.5", "4", "8", "12", "15.5", "20", "25", "30", "36", "45", "55"]
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# llvmpipe compiles shaders for the processor it runs on; these features change the code it makes.
CPU_FEATURES = ("avx512f", "avx2", "fma", "f16c", "avx", "sse4_1")


def package_version(name):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 and result.stdout.strip() else "none"


def renderer():
    """What the pictures depend on besides the program: one line."""
    flags = set()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("flags"):
                    flags = set(line.split(":", 1)[1].split())
                    break
    except OSError:
        pass
    llvm = next((package_version(p) for p in ("libllvm15", "libllvm14", "libllvm16") if package_version(p) != "none"),
                "none")
    features = " ".join(f for f in CPU_FEATURES if f in flags) or "none"
    return (f"mesa {package_version('libgl1-mesa-dri')}, llvm {llvm}, wine {package_version('wine64')}, "
            f"cpu {features}")


def capture(bin_dir, out_dir):
    """Hashes of the captured moments by file name, or None when the capture failed."""
    command = [os.path.join(ROOT, "tools", "winerun"), "./engine-capture.exe", "--at", ",".join(MOMENTS),
               "--fps", "2", "--size", "320x180", "--out", out_dir]
    result = subprocess.run(command, cwd=bin_dir, capture_output=True, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stderr)
        sys.stderr.write(f"engine-capture.exe ended with exit code {result.returncode}\n")
        return None
    hashes = {}
    for moment in MOMENTS:
        name = f"t{float(moment):.3f}.png"
        path = os.path.join(out_dir, name)
        if not os.path.isfile(path):
            sys.stderr.write(f"{name}: was not saved\n")
            return None
        with open(path, "rb") as f:
            hashes[name] = hashlib.sha256(f.read()).hexdigest()
    return hashes


def read_reference(path):
    made_with, hashes = None, {}
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("# renderer:"):
                made_with = line.split(":", 1)[1].strip()
            elif line and not line.startswith("#"):
                name, digest = line.split()
                hashes[name] = digest
    return made_with, hashes


def main():
    args = sys.argv[1:]
    options = {}
    while args:
        if args[0] in ("--bin", "--check", "--write", "--keep") and len(args) >= 2:
            options[args[0]] = args[1]
            args = args[2:]
        else:
            break
    if args or "--bin" not in options or ("--check" in options) == ("--write" in options):
        sys.stderr.write(__doc__)
        return 64
    here = renderer()
    if "--check" in options:
        made_with, expected = read_reference(options["--check"])
        if made_with != here:
            print(f"skipped: the reference was made with {made_with}; this machine has {here}")
            return 77
    out_dir = options.get("--keep") or tempfile.mkdtemp(prefix="reference-pictures-")
    os.makedirs(out_dir, exist_ok=True)
    try:
        hashes = capture(os.path.abspath(options["--bin"]), os.path.abspath(out_dir))
    finally:
        if "--keep" not in options:
            shutil.rmtree(out_dir, ignore_errors=True)
    if hashes is None:
        return 1
    if "--write" in options:
        with open(options["--write"], "w") as f:
            f.write("# SHA-256 of engine-capture.exe's PNGs at the README's moments, 320 x 180, --fps 2\n")
            f.write("# (tools/capture/reference_pictures.py --write). Rewrite only for a change meant to alter them.\n")
            f.write(f"# renderer: {here}\n")
            for name, digest in hashes.items():
                f.write(f"{name} {digest}\n")
        print(f"wrote {len(hashes)} hashes to {options['--write']}")
        return 0
    differing = [name for name, digest in hashes.items() if expected.get(name) != digest]
    if differing:
        print("pictures differ from the reference: " + ", ".join(differing))
        return 1
    print(f"all {len(hashes)} pictures are byte-identical to the reference")
    return 0


if __name__ == "__main__":
    sys.exit(main())
