#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and run the engine: installs the cross toolchain, Wine, Xvfb and the
# build tools when they are missing, then fetches the pinned dependency sources (Dear ImGui, TinyXML,
# tinyobjloader) from Debian's source packages into .deps/. It never changes the machine's apt configuration:
# source lookups go through a list of the project's own. Safe to run again; finished steps are skipped.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
say() { printf '[setup] %s\n' "$*" >&2; }
die() { printf '[setup] error: %s\n' "$*" >&2; exit 1; }

# Debian 12 versions; the build relies on these exact trees.
IMGUI_VERSION=1.86+ds-1
TINYXML_VERSION=2.6.2-6+deb12u1
TINYOBJ_VERSION=2.0.0~rc10+dfsg-2

# Wine plays the music through GStreamer ("base": decodebin; "good": the MP3 parser and decoder) and PulseAudio or
# ALSA; the music test runs a private PulseAudio server, records it with parec, presses keys with xdotool and
# takes the focus away with another X window (xmessage, from x11-utils).
# tools/capture/video.sh encodes the presentation with ffmpeg (and checks it with ffprobe). tools/winerun asks
# glxinfo (mesa-utils, which needs only the GL dispatch libraries, not Mesa itself) which renderer draws.
# tools/format.sh formats the sources with clang-format (Debian 12's is version 14).
# tools/render/farm.sh spreads a render with GNU parallel over ssh (which moves files with rsync), and its workers
# unpack the release archive with unzip; its test runs an sshd on the loopback address.
packages=(g++-mingw-w64-x86-64-posix wine64 xvfb xauth libgl1-mesa-dri cmake ninja-build dpkg-dev
          googletest libstb-dev xz-utils ca-certificates clang libclang-rt-14-dev g++ lame gnuplot-nox python3
          gstreamer1.0-plugins-base gstreamer1.0-plugins-good pulseaudio pulseaudio-utils xdotool x11-utils ffmpeg
          mesa-utils clang-format parallel rsync unzip openssh-client openssh-server)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || die "missing packages (${missing[*]}); run this script as root to install them"
    say "installing system packages: ${missing[*]}"
    apt-get update -qq || die "apt-get update failed"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
        || die "could not install: ${missing[*]}"
fi

fetch_source() { # name version directory-inside-.deps
    local name=$1 version=$2 dir=$3
    if [ -f "$deps/$dir/.version" ] && [ "$(cat "$deps/$dir/.version")" = "$version" ]; then
        return
    fi
    say "fetching $name $version from Debian's source packages"
    local apt="$deps/apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$deps/download"
    if [ ! -f "$apt/sources.list" ]; then
        echo "deb-src http://deb.debian.org/debian bookworm main" > "$apt/sources.list"
        echo "deb-src http://deb.debian.org/debian-security bookworm-security main" >> "$apt/sources.list"
    fi
    local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
                -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root")
    if [ ! -f "$apt/updated" ]; then
        apt-get "${opts[@]}" update -qq || die "could not read Debian's source package lists"
        touch "$apt/updated"
    fi
    (cd "$deps/download" && apt-get "${opts[@]}" source --download-only -qq "$name=$version" >/dev/null) \
        || die "could not download source package $name=$version"
    rm -rf "$deps/$dir"
    (cd "$deps/download" && dpkg-source -x --no-check "${name}_${version#*:}.dsc" "$deps/$dir" >/dev/null) \
        || die "could not unpack source package $name=$version"
    rm -f "$deps"/*.orig.tar.*   # dpkg-source leaves links to the tarballs beside the tree
    echo "$version" > "$deps/$dir/.version"
}

mkdir -p "$deps"
fetch_source imgui "$IMGUI_VERSION" imgui
fetch_source tinyxml "$TINYXML_VERSION" tinyxml
fetch_source tinyobjloader "$TINYOBJ_VERSION" tinyobjloader
[ -f /usr/src/googletest/CMakeLists.txt ] || die "GoogleTest sources missing from /usr/src/googletest"
[ -f /usr/include/stb/stb_image_write.h ] || die "stb headers missing from /usr/include/stb"
[ -x /usr/lib/wine/wine64 ] || die "Wine's launcher /usr/lib/wine/wine64 is missing"
say "ready"
