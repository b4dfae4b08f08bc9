#!/usr/bin/env bash
# Builds the XML fuzz target with libFuzzer + AddressSanitizer and runs it for
# a bounded time. Usage: fuzz/run.sh [seconds]   (default 60)
# Findings (crash-*, leak-*, timeout-*) land in build-fuzz/; the growing
# corpus in build-fuzz/corpus/, seeded from tests/unit/xml/corpus and data/layouts.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build-fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
    if apt-cache policy clang | grep -q 'Candidate: [0-9]'; then
        apt-get install -y clang
    else
        echo "fuzz/run.sh: clang is not installed and no clang package is available" >&2
        exit 1
    fi
fi

mkdir -p "$out/corpus"
cp -n "$root"/tests/unit/xml/corpus/* "$out/corpus/" 2>/dev/null || true
cp -n "$root"/data/layouts/*.xml "$out/corpus/" 2>/dev/null || true

clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/src" "$root"/src/xml/*.cpp "$root"/src/text/*.cpp "$root/fuzz/xml_fuzz.cpp" -o "$out/xml_fuzz"

cd "$out"
./xml_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus
