#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time.
#
#   fuzz/run.sh [SECONDS] [TARGET|all]   by hand (defaults 60, all)
#   fuzz/run.sh --smoke [SECONDS]        every target, 30 s each unless told
#                                        (the continuous integration's run)
#
# Targets, one line each in the table below (fuzz/<name>_fuzz.cpp):
#   xml               the XML reader and editor
#   layout            the layout file loader
#   profile_import    the profile exchange file import into a database
#   macro_import      the macro exchange file import into a database
#   keyboard_answers  every download and the event listener against a
#                     keyboard that answers with arbitrary bytes
#   rgbsdk_packets    the SDK server's packet parser and request handler
#                     against a client that sends arbitrary bytes
# Objects are shared between targets in build-fuzz/obj/. Each target works
# in build-fuzz/<name>/: its findings (crash-*, leak-*, timeout-*) land
# there, its growing corpus in build-fuzz/<name>/corpus/. Exits non-zero
# when a target does not build or finds a fault (after running the others).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build-fuzz"

# name | sources beside fuzz/<name>_fuzz.cpp (from the top folder) | libraries | libFuzzer options
TARGETS=(
    "xml | src/xml/*.cpp src/text/*.cpp | | -max_len=65536"
    "layout | src/xml/*.cpp src/text/*.cpp src/layouts/keyboard_layout.cpp src/app/config.cpp src/app/ini_reader.cpp src/app/folders.cpp | | -max_len=65536"
    "profile_import | src/xml/*.cpp src/text/*.cpp src/db/*.cpp src/keys/profile_exchange.cpp src/keys/exchange_file.cpp | -lsqlite3 -pthread | -max_len=65536"
    "macro_import | src/xml/*.cpp src/text/*.cpp src/db/*.cpp src/keys/exchange_file.cpp src/macros/macro_exchange.cpp | -lsqlite3 -pthread | -max_len=65536"
    "keyboard_answers | src/sync/*.cpp src/db/*.cpp src/text/*.cpp src/app/folders.cpp src/app/runtime_folder.cpp src/i18n/strings.cpp src/keys/key_function_encoding.cpp src/keys/function_catalogue.cpp src/device/{clock,debug_log,device_event_listener,hid_backend,hid_device_manager,key_index,protocol,report_descriptor,sim_link,virtual_keys}.cpp | -lsqlite3 -pthread | -max_len=8192"
    "rgbsdk_packets | src/rgbsdk/*.cpp | | -max_len=65536"
)

# Seeds for a target's corpus, when it has any (seed_<name> <corpus folder>).
seed_xml() {
    cp -n "$root"/tests/unit/xml/corpus/* "$1/" 2>/dev/null || true
    cp -n "$root"/data/layouts/*.xml "$1/" 2>/dev/null || true
}
seed_layout() {
    cp -n "$root"/data/layouts/*.xml "$1/" 2>/dev/null || true
}
seed_profile_import() {
    cp -n "$root"/tests/unit/xml/corpus/* "$1/" 2>/dev/null || true
    printf '%s\r\n' '<?xml version="1.0" encoding="UTF-8"?>' '<profile>' '<profileinfo name="P &amp; Q"/>' \
        '<keyitems>' \
        '<item fn_layer="0" key_code="4" layout_value="0" layout_desc="" macro_type="2" macro_value="5" macro_value2="225" macro_value3="0" macro_desc="Shift + B"/>' \
        '<item fn_layer="1" key_code="5" layout_value="0" layout_desc="" macro_type="3" macro_value="1" macro_value2="0" macro_value3="0" macro_desc="Combo"/>' \
        '<item fn_layer="1" key_code="6" layout_value="0" layout_desc="" macro_type="9" macro_value="2" macro_value2="0" macro_value3="0" macro_desc="https://example.org"/>' \
        '</keyitems>' '</profile>' >"$1/seed_profile.xml"
}
seed_macro_import() {
    cp -n "$root"/tests/unit/xml/corpus/* "$1/" 2>/dev/null || true
    printf '%s\r\n' '<?xml version="1.0" encoding="UTF-8"?>' '<macro>' \
        '<macroinfo name="Copy &amp; &quot;Paste&quot;" times="1" type="1" delaytime="0"/>' '<macroitems>' \
        '<item desc="C" type="2" value="67" delay_time="50"/>' '<item desc="C" type="3" value="67" delay_time="0"/>' \
        '<item desc="" type="4" value="-1" delay_time="70000"/>' '</macroitems>' '</macro>' \
        >"$1/seed_macro.xml"
}
seed_keyboard_answers() {
    # Two event reports, no descriptor, then a keyboard that accepts every
    # request with its own header over a pattern of table bytes.
    {
        printf '\x02\x03\x02\x50\x07\x03\x02\x60\x01\x00'
        for _ in $(seq 120); do
            printf '\x07'
            printf '\x10\x00\x04\x10\x00\x05%.0s' $(seq 9)
            printf '\x00\x00'
        done
    } >"$1/seed_accepting"
}

seed_rgbsdk_packets() {
    # A protocol-5 client: version, count, controller data, a colour for each
    # of three LEDs and one for a single LED (the first byte is the read size).
    {
        printf '\x07'
        printf 'ORGB\0\0\0\0\x28\0\0\0\x04\0\0\0\x05\0\0\0'
        printf 'ORGB\0\0\0\0\0\0\0\0\0\0\0\0'
        printf 'ORGB\0\0\0\0\x01\0\0\0\x04\0\0\0\x05\0\0\0'
        printf 'ORGB\0\0\0\0\x1a\x04\0\0\x12\0\0\0\x12\0\0\0\x03\0'
        printf '\xff\0\0\0\0\xff\0\0\0\0\xff\0'
        printf 'ORGB\0\0\0\0\x1c\x04\0\0\x08\0\0\0\x01\0\0\0\x80\x80\x80\0'
    } >"$1/seed_client"
}

smoke=0
seed_option=""
if [[ "${1:-}" == --smoke ]]; then
    smoke=1
    seconds="${2:-30}"
    which=all
    # The smoke run repeats the same mutations every time, so that what it
    # finds does not depend on luck; longer runs explore with fresh seeds.
    seed_option="-seed=1"
else
    seconds="${1:-60}"
    which="${2:-all}"
fi

# clang and its libFuzzer, installed when missing (Debian: clang, and the
# runtime libraries of its version, which clang only recommends).
fuzzer_library() {
    [[ "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)" == /* ]]
}
if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_library; then
    # shellcheck source=scripts/common.sh
    source "$root/scripts/common.sh"
    command -v clang++ >/dev/null 2>&1 || vantora_install_packages clang
    fuzzer_library || vantora_install_packages "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"
    if ! fuzzer_library; then
        echo "fuzz/run.sh: clang's libFuzzer is not installed and could not be installed" >&2
        exit 1
    fi
fi

# shellcheck disable=SC2054  # commas inside one option
cflags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -I"$root/src")
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p "$out/obj"

# The object of one source, shared by every target that links it.
object_of() {
    local relative="${1#"$root"/}"
    echo "$out/obj/${relative//\//_}.o"
}

# Compiles the sources whose object is missing or older than the source or
# than any header of the program, several at a time.
compile() {
    local newest_header stale=()
    newest_header="$(find "$root/src" "$root/fuzz" -name '*.h' -printf '%T@ %p\n' | sort -n | tail -1 | cut -d' ' -f2-)"
    for source in "$@"; do
        local object
        object="$(object_of "$source")"
        if [[ ! -f "$object" || "$source" -nt "$object" || (-n "$newest_header" && "$newest_header" -nt "$object") ]]; then
            stale+=("$source")
        fi
    done
    ((${#stale[@]} == 0)) && return 0
    # shellcheck disable=SC2016  # expanded by the inner shell
    for source in "${stale[@]}"; do
        printf '%s\0%s\0' "$source" "$(object_of "$source")"
    done | xargs -0 -n 2 -P "$jobs" bash -c 'n=$#; exec clang++ "${@:1:n-2}" -c "${@:n-1:1}" -o "${@:n:1}"' _ \
        "${cflags[@]}"
}

failed=()
for row in "${TARGETS[@]}"; do
    IFS='|' read -r name sources libraries options <<<"$row"
    name="${name// /}"
    if [[ "$which" != all && "$which" != "$name" ]]; then
        continue
    fi
    dir="$out/$name"
    mkdir -p "$dir/corpus"
    if declare -F "seed_$name" >/dev/null; then
        "seed_$name" "$dir/corpus"
    fi
    pushd "$root" >/dev/null
    eval "files=($sources)"
    popd >/dev/null
    files=("${files[@]/#/$root/}" "$root/fuzz/${name}_fuzz.cpp")
    objects=()
    for source in "${files[@]}"; do
        objects+=("$(object_of "$source")")
    done
    echo "== $name: building"
    # shellcheck disable=SC2086  # $libraries and $options are lists of words
    if ! compile "${files[@]}" ||
        ! clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" $libraries -o "$dir/${name}_fuzz"; then
        echo "== $name: does not build" >&2
        failed+=("$name (build)")
        continue
    fi
    echo "== $name: fuzzing for $seconds s"
    # shellcheck disable=SC2086
    if ! (cd "$dir" && "./${name}_fuzz" -max_total_time="$seconds" $options $seed_option -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 corpus); then
        failed+=("$name")
    fi
done

if ((${#failed[@]} > 0)); then
    echo "fuzz/run.sh: faults or build failures in: ${failed[*]} (findings in $out/<target>/)" >&2
    exit 1
fi
if ((smoke)); then
    echo "fuzz/run.sh: smoke run of every target passed"
fi
