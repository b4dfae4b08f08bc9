#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer + AddressSanitizer and runs each for
# a bounded time. Usage: fuzz/run.sh [seconds] [xml|profile_import|macro_import|all]
# (defaults 60, all). Targets:
#   xml_fuzz             the XML reader and editor
#   layout_fuzz          the layout file loader (target name: layout)
#   profile_import_fuzz  the profile exchange file import into a database
#   macro_import_fuzz    the macro exchange file import into a database
# Findings (crash-*, leak-*, timeout-*) land in build-fuzz/; the growing
# corpora in build-fuzz/corpus/, build-fuzz/import-corpus/ and
# build-fuzz/macro-corpus/, seeded from tests/unit/xml/corpus and data/layouts
# (and a small profile file and macro file).
set -euo pipefail
seconds="${1:-60}"
which="${2:-all}"
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

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root/src")

if [[ "$which" == all || "$which" == xml ]]; then
    mkdir -p "$out/corpus"
    cp -n "$root"/tests/unit/xml/corpus/* "$out/corpus/" 2>/dev/null || true
    cp -n "$root"/data/layouts/*.xml "$out/corpus/" 2>/dev/null || true
    clang++ "${flags[@]}" "$root"/src/xml/*.cpp "$root"/src/text/*.cpp "$root/fuzz/xml_fuzz.cpp" \
        -o "$out/xml_fuzz"
    (cd "$out" && ./xml_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 corpus)
fi

if [[ "$which" == all || "$which" == layout ]]; then
    mkdir -p "$out/layout-corpus"
    cp -n "$root"/data/layouts/*.xml "$out/layout-corpus/" 2>/dev/null || true
    clang++ "${flags[@]}" "$root"/src/xml/*.cpp "$root"/src/text/*.cpp "$root/src/layouts/keyboard_layout.cpp" \
        "$root/src/app/config.cpp" "$root/src/app/ini_reader.cpp" "$root/src/app/folders.cpp" \
        "$root/fuzz/layout_fuzz.cpp" -o "$out/layout_fuzz"
    (cd "$out" && ./layout_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 layout-corpus)
fi

if [[ "$which" == all || "$which" == profile_import ]]; then
    mkdir -p "$out/import-corpus"
    cp -n "$root"/tests/unit/xml/corpus/* "$out/import-corpus/" 2>/dev/null || true
    printf '%s\r\n' '<?xml version="1.0" encoding="UTF-8"?>' '<profile>' '<profileinfo name="P &amp; Q"/>' \
        '<keyitems>' \
        '<item fn_layer="0" key_code="4" layout_value="0" layout_desc="" macro_type="2" macro_value="5" macro_value2="225" macro_value3="0" macro_desc="Shift + B"/>' \
        '<item fn_layer="1" key_code="5" layout_value="0" layout_desc="" macro_type="3" macro_value="1" macro_value2="0" macro_value3="0" macro_desc="Combo"/>' \
        '<item fn_layer="1" key_code="6" layout_value="0" layout_desc="" macro_type="9" macro_value="2" macro_value2="0" macro_value3="0" macro_desc="https://example.org"/>' \
        '</keyitems>' '</profile>' >"$out/import-corpus/seed_profile.xml"
    clang++ "${flags[@]}" "$root"/src/xml/*.cpp "$root"/src/text/*.cpp "$root"/src/db/*.cpp \
        "$root/src/keys/profile_exchange.cpp" "$root/src/keys/exchange_file.cpp" "$root/fuzz/profile_import_fuzz.cpp" -lsqlite3 -pthread \
        -o "$out/profile_import_fuzz"
    (cd "$out" && ./profile_import_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 import-corpus)
fi

if [[ "$which" == all || "$which" == macro_import ]]; then
    mkdir -p "$out/macro-corpus"
    cp -n "$root"/tests/unit/xml/corpus/* "$out/macro-corpus/" 2>/dev/null || true
    printf '%s\r\n' '<?xml version="1.0" encoding="UTF-8"?>' '<macro>' \
        '<macroinfo name="Copy &amp; &quot;Paste&quot;" times="1" type="1" delaytime="0"/>' '<macroitems>' \
        '<item desc="C" type="2" value="67" delay_time="50"/>' '<item desc="C" type="3" value="67" delay_time="0"/>' \
        '<item desc="" type="4" value="-1" delay_time="70000"/>' '</macroitems>' '</macro>' \
        >"$out/macro-corpus/seed_macro.xml"
    clang++ "${flags[@]}" "$root"/src/xml/*.cpp "$root"/src/text/*.cpp "$root"/src/db/*.cpp \
        "$root/src/keys/exchange_file.cpp" \
        "$root/src/macros/macro_exchange.cpp" "$root/fuzz/macro_import_fuzz.cpp" -lsqlite3 -pthread \
        -o "$out/macro_import_fuzz"
    (cd "$out" && ./macro_import_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 macro-corpus)
fi
