#!/bin/sh
# Usage: make-corpus.sh <corpus-dir>
# Seeds a libFuzzer corpus with the BMP conformance files and the small hand-made seeds.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
for f in "$repo"/tests/data/bmpsuite/good/*.bmp "$repo"/tests/data/bmp-seeds/*.bmp; do
    cp "$f" "$1/seed-$(basename "$(dirname "$f")")-$(basename "$f")"
done
