#!/usr/bin/env bash
# The one formatting of the C++ sources (.clang-format at the root), with Debian 12's clang-format 14.
#   tools/format.sh           rewrite every tracked .cpp and .h file that differs
#   tools/format.sh --check   change nothing; name each file that differs and fail (./test.sh runs this)
# Files come from git, so the dependency trees in .deps/ and build output are never touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

formatter=${CLANG_FORMAT:-clang-format}
command -v "$formatter" >/dev/null || { echo "format: $formatter is missing (tools/setup.sh installs it)" >&2; exit 2; }
version=$("$formatter" --version)
case "$version" in
    *" version 14."*) ;;
    *) echo "format: expected clang-format 14, found: $version (other versions format differently)" >&2; exit 2 ;;
esac

mode=${1:-apply}
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' ':!:.deps/*')
case "$mode" in
    apply)
        "$formatter" -i --style=file "${files[@]}"
        ;;
    --check)
        differing=0
        for file in "${files[@]}"; do
            if ! "$formatter" --style=file "$file" | cmp -s - "$file"; then
                echo "format: $file differs from .clang-format (tools/format.sh rewrites it)" >&2
                differing=$((differing + 1))
            fi
        done
        if [ "$differing" -gt 0 ]; then
            echo "format: $differing file(s) differ" >&2
            exit 1
        fi
        ;;
    *)
        echo "usage: tools/format.sh [--check]" >&2
        exit 64
        ;;
esac
