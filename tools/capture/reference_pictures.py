#!/usr/bin/env python3
"""The presentation's pictures at the README's moments, compared with a committed reference.

Captures the moments of the README's contact sheet (0.5, 4, 8, 12, 15.5, 20, 25, 30, 36, 45 and 55 s) at
320 x 180 on a fixed step of half a second with engine-capture.exe (run through tools/winerun, always on a
virtual display, where Mesa's software renderer draws), and compares them with the reference: FILE holds the
SHA-256 of each PNG and names the renderer it was made with; the folder of the same name without ".txt" holds the
PNGs themselves.

On the reference's renderer (the same Mesa, LLVM and Wine packages, the same processor features, no Mesa setting
in the environment) the same program draws the same bytes, so every hash must match. On any other renderer, whose
rounding may move a few levels here and a pixel there, each picture is compared with the reference's pixels in
blocks of 16 x 16 and fails when, in any block,
  - more than CHANGED_LIMIT pixels differ by more than CHANGED_LEVELS levels in a channel (something moved or
    changed shape), or
  - the mean colour moves by more than SHIFT_LIMIT levels in a channel, each pixel counting at most CLIP_LEVELS
    (a light, a material or a shader constant changed a little).
docs/pictures-check.md gives the figures the limits come from.

Usage: reference_pictures.py --bin BIN_DIR [--scale-world N] (--check FILE | --write FILE) [--keep DIR]
  --scale-world N  the same moments in a generated world of N textured blocks (scale_world.exe, as the scale
                benchmarks draw it) instead of the presentation's world: the frames a change to the mesh pass must
                leave alone, drawn in a scratch copy of BIN_DIR.
  --check FILE  compare; a picture that differs is reported with its figures and where.
  --write FILE  make FILE and its folder anew, for a change meant to alter the pictures.
  --keep DIR    keep the captured PNGs there, with diff-<picture>.png for each one that is not byte-identical:
                the reference, the capture, and the reference dimmed with the differing pixels in red and the
                blocks over a limit framed in yellow. Without --keep a failing check keeps them in a temporary
                folder, and names it.
Exit codes: 0 the same or within tolerance (or written), 1 pictures differ or could not be captured or read,
64 usage.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rgb_png import PngError, read_png, write_png  # noqa: E402

MOMENTS = ["0.5", "4", "8", "12", "15.5", "20", "25", "30", "36", "45", "55"]
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# llvmpipe compiles shaders for the processor it runs on; these features change the code it makes.
CPU_FEATURES = ("avx512f", "avx2", "fma", "f16c", "avx", "sse4_1")
# Settings that choose another Mesa driver or library, or change how llvmpipe draws (LP_NATIVE_VECTOR_WIDTH,
# GALLIUM_OVERRIDE_CPU_CAPS, ...): with any of them set the packages no longer say which renderer draws.
RENDERER_ENVIRONMENT = ("LD_LIBRARY_PATH", "LD_PRELOAD", "LIBGL_", "MESA_", "GALLIUM_", "GALLIVM_", "LP_")

# The tolerance. Renderer rounding measured at most 4 changed pixels in a block and a shift of 0.88 levels; the
# smallest real changes measured 25 changed pixels (an actor moved by 0.01 units) and a shift of 1.37 levels
# (the sun's red 1 % weaker). The limits lie between, near the geometric means.
BLOCK = 16
CHANGED_LEVELS = 16
CHANGED_LIMIT = 10
CLIP_LEVELS = 8
SHIFT_LIMIT = 1.1


# --- The renderer and the capture ---

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
    line = (f"mesa {package_version('libgl1-mesa-dri')}, llvm {llvm}, wine {package_version('wine64')}, "
            f"cpu {features}")
    settings = sorted(f"{name}={value}" for name, value in os.environ.items() if name.startswith(RENDERER_ENVIRONMENT))
    return line + (", environment " + " ".join(settings) if settings else "")


def capture_environment():
    """The reference's conditions: a virtual display (a desktop's GPU or GLX draws other pictures) and Wine's
    trilinear filtering there (tools/winerun)."""
    environment = dict(os.environ)
    environment.pop("WINERUN_ANISOTROPY", None)
    if not environment.get("WINERUN_VIRTUAL"):
        environment.pop("DISPLAY", None)   # tools/winerun then starts a private Xvfb
    return environment


def picture_name(moment):
    return f"t{float(moment):.3f}.png"


def capture(bin_dir, out_dir):
    """The captured PNGs' paths by file name, or None when the capture failed."""
    command = [os.path.join(ROOT, "tools", "winerun"), "./engine-capture.exe", "--at", ",".join(MOMENTS),
               "--fps", "2", "--size", "320x180", "--out", out_dir]
    result = subprocess.run(command, cwd=bin_dir, capture_output=True, text=True, env=capture_environment())
    if result.returncode != 0:
        sys.stderr.write(result.stderr)
        sys.stderr.write(f"engine-capture.exe ended with exit code {result.returncode}\n")
        return None
    paths = {}
    for moment in MOMENTS:
        path = os.path.join(out_dir, picture_name(moment))
        if not os.path.isfile(path):
            sys.stderr.write(f"{path}: was not saved\n")
            return None
        paths[picture_name(moment)] = path
    return paths


def scale_world_folder(bin_dir, actors, work):
    """A copy of bin_dir's data and programs in `work` whose world is scale_world.exe's of `actors` blocks, or
    None when it could not be made."""
    shutil.copytree(bin_dir, work, ignore=lambda folder, names: [
        name for name in names
        if name.endswith(".exe") and name not in ("engine-capture.exe", "scale_world.exe")
        or name in ("pictures", "shots")])
    command = [os.path.join(ROOT, "tools", "winerun"), "./scale_world.exe", ".", str(actors)]
    result = subprocess.run(command, cwd=work, capture_output=True, text=True, env=capture_environment())
    if result.returncode != 0:
        sys.stderr.write(result.stderr)
        sys.stderr.write(f"scale_world.exe ended with exit code {result.returncode}\n")
        return None
    return work


def file_hash(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


# --- Comparing pixels ---

class Difference:
    """How far a picture is from its reference, block by block."""

    def __init__(self, width, height, reference, captured):
        signed = [b - a for a, b in zip(reference, captured)]
        size = [abs(d) for d in signed]
        self.largest = bytes(map(max, size[0::3], size[1::3], size[2::3]))   # each pixel's largest channel
        clipped = [CLIP_LEVELS if d > CLIP_LEVELS else -CLIP_LEVELS if d < -CLIP_LEVELS else d for d in signed]
        self.width, self.height = width, height
        self.blocks_over = []
        self.changed = self.shift = -1
        for top in range(0, height, BLOCK):
            rows = range(top, min(top + BLOCK, height))
            for left in range(0, width, BLOCK):
                right = min(left + BLOCK, width)
                changed = sum(1 for y in rows for d in self.largest[y * width + left:y * width + right]
                              if d > CHANGED_LEVELS)
                shift = max(abs(sum(sum(clipped[(y * width + left) * 3 + c:(y * width + right) * 3:3]) for y in rows))
                            for c in range(3)) / (len(rows) * (right - left))
                if changed > self.changed:
                    self.changed, self.changed_at = changed, (left, top)
                if shift > self.shift:
                    self.shift, self.shift_at = shift, (left, top)
                if changed > CHANGED_LIMIT or shift > SHIFT_LIMIT:
                    self.blocks_over.append((left, top))
        self.differing = len(self.largest) - self.largest.count(0)

    def within_tolerance(self):
        return not self.blocks_over

    def summary(self):
        return (f"{self.differing} pixels differ, by up to {max(self.largest)} levels; most changed in a block: "
                f"{self.changed} at {self.changed_at} (limit {CHANGED_LIMIT}); largest colour shift: "
                f"{self.shift:.2f} levels at {self.shift_at} (limit {SHIFT_LIMIT})")

    def picture(self, reference, captured):
        """Three panels side by side: the reference, the capture, and the reference dimmed to a third with the
        differing pixels in red by how far they are off and every block over a limit framed in yellow."""
        grey = bytes((r + g + b) // 9 for r, g, b in zip(reference[0::3], reference[1::3], reference[2::3]))
        marked = bytearray(len(reference))
        marked[0::3] = bytes(max(g, min(255, 64 + 12 * d)) if d else g for g, d in zip(grey, self.largest))
        marked[1::3] = grey
        marked[2::3] = grey
        for left, top in self.blocks_over:
            right, bottom = min(left + BLOCK, self.width) - 1, min(top + BLOCK, self.height) - 1
            for y in range(top, bottom + 1):
                for x in range(left, right + 1):
                    if y in (top, bottom) or x in (left, right):
                        marked[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3] = b"\xff\xd0\x00"
        stride = self.width * 3
        return b"".join(panel[y * stride:(y + 1) * stride] for y in range(self.height)
                        for panel in (reference, captured, marked))


# --- The reference ---

def read_reference(path):
    made_with, hashes = None, {}
    with open(path) as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if line.startswith("# renderer:"):
                made_with = line.split(":", 1)[1].strip()
            elif line and not line.startswith("#"):
                fields = line.split()
                if len(fields) != 2:
                    raise ValueError(f"{path}:{number}: expected 'picture sha256'")
                hashes[fields[0]] = fields[1]
    return made_with, hashes


def pictures_folder(reference_file):
    return os.path.splitext(reference_file)[0]


def write_reference(path, captured, here, actors=None):
    folder = pictures_folder(path)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(".png") and name not in captured:
            os.remove(os.path.join(folder, name))
    with open(path, "w") as f:
        world = f" in scale_world.exe's world of {actors} blocks" if actors is not None else ""
        f.write(f"# SHA-256 of engine-capture.exe's PNGs at the README's moments{world}, 320 x 180, --fps 2, kept in\n")
        f.write(f"# {os.path.basename(folder)}/ (tools/capture/reference_pictures.py --write). Rewrite only for a "
                "change meant to alter them.\n")
        f.write(f"# renderer: {here}\n")
        for name, source in captured.items():
            shutil.copyfile(source, os.path.join(folder, name))
            f.write(f"{name} {file_hash(source)}\n")
    print(f"wrote {len(captured)} hashes to {path} and the pictures to {folder}/")


def compare_with_tolerance(name, captured_path, reference_path, expected_hash, keep_dir):
    """The Difference of one picture from its reference, with its picture in keep_dir; raises ValueError when
    either cannot be read or they are not of one size."""
    if not os.path.isfile(reference_path):
        raise ValueError(f"{reference_path}: the reference picture is missing")
    if file_hash(reference_path) != expected_hash:
        raise ValueError(f"{reference_path}: does not have the hash the reference file names (write both anew)")
    try:
        width, height, reference = read_png(reference_path)
        captured_width, captured_height, captured = read_png(captured_path)
    except PngError as e:
        raise ValueError(str(e)) from None
    if (captured_width, captured_height) != (width, height):
        raise ValueError(f"{captured_path}: {captured_width} x {captured_height}, the reference is {width} x {height}")
    difference = Difference(width, height, reference, captured)
    write_png(os.path.join(keep_dir, "diff-" + name), width * 3, height, difference.picture(reference, captured))
    return difference


def check(reference_file, made_with, expected, captured, here, keep_dir):
    """0 when every picture is the same or within tolerance, 1 otherwise; one line per picture."""
    exact = made_with == here
    if exact:
        print(f"renderer: {here}, the reference's: every picture must be byte-identical")
    else:
        print(f"renderer: {here}\nreference made with: {made_with}\nso the pixels are compared with tolerance")
    failed, tolerated = [], []
    for name, path in captured.items():
        if name not in expected:
            print(f"{name}: not in {reference_file}")
            failed.append(name)
            continue
        if file_hash(path) == expected[name]:
            print(f"{name}: byte-identical")
            continue
        try:
            difference = compare_with_tolerance(name, path, os.path.join(pictures_folder(reference_file), name),
                                                expected[name], keep_dir)
        except ValueError as e:
            print(f"{name}: cannot be compared: {e}")
            failed.append(name)
            continue
        if not difference.within_tolerance():
            verdict = "DIFFERS"
        elif exact:
            verdict = "DIFFERS: not byte-identical on the reference's renderer (within the tolerance for others)"
        else:
            verdict = "within tolerance"
        (tolerated if verdict == "within tolerance" else failed).append(name)
        print(f"{name}: {verdict}: {difference.summary()}")
    if failed:
        print(f"{len(failed)} of {len(captured)} pictures differ from the reference: {', '.join(failed)}; captured "
              f"pictures and differences in {keep_dir}, the reference in {pictures_folder(reference_file)}")
        return 1
    if tolerated:
        print(f"all {len(captured)} pictures match the reference: {len(captured) - len(tolerated)} byte-identical, "
              f"{len(tolerated)} within tolerance on this renderer")
    else:
        print(f"all {len(captured)} pictures are byte-identical to the reference")
    return 0


def main():
    args = sys.argv[1:]
    options = {}
    while args:
        if args[0] in ("--bin", "--check", "--write", "--keep", "--scale-world") and len(args) >= 2:
            options[args[0]] = args[1]
            args = args[2:]
        else:
            break
    if args or "--bin" not in options or ("--check" in options) == ("--write" in options):
        sys.stderr.write(__doc__)
        return 64
    actors = options.get("--scale-world")
    if actors is not None and (not actors.isdigit() or int(actors) < 1):
        sys.stderr.write(f"--scale-world {actors}: a number of blocks, at least 1\n")
        return 64
    if "--check" in options:
        try:
            made_with, expected = read_reference(options["--check"])
        except (OSError, ValueError) as e:
            sys.stderr.write(f"{e}\n")
            return 1
    reference_file = options.get("--check") or options["--write"]
    keep_dir = os.path.abspath(options.get("--keep") or tempfile.mkdtemp(prefix="reference-pictures-"))
    if keep_dir == os.path.abspath(pictures_folder(reference_file)):
        sys.stderr.write(f"--keep {keep_dir}: that is the reference's own folder\n")
        return 64
    os.makedirs(keep_dir, exist_ok=True)
    for name in map(picture_name, MOMENTS):   # an earlier run's, which a failed capture would leave standing
        for stale in (name, "diff-" + name):
            if os.path.isfile(os.path.join(keep_dir, stale)):
                os.remove(os.path.join(keep_dir, stale))
    status = 1
    world_dir = tempfile.mkdtemp(prefix="scale-world-") if actors is not None else None
    try:
        bin_dir = os.path.abspath(options["--bin"])
        if world_dir is not None:
            bin_dir = scale_world_folder(bin_dir, int(actors), os.path.join(world_dir, "bin"))
        captured = capture(bin_dir, keep_dir) if bin_dir is not None else None
        if captured is not None:
            here = renderer()
            if "--write" in options:
                write_reference(reference_file, captured, here, actors)
                status = 0
            else:
                status = check(reference_file, made_with, expected, captured, here, keep_dir)
    finally:
        if "--keep" not in options and status == 0:
            shutil.rmtree(keep_dir, ignore_errors=True)
        if world_dir is not None:
            shutil.rmtree(world_dir, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
