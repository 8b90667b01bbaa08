#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build, each for a set time.
#
#   fuzz/run.sh [BUILD] [SECONDS] [TARGET...]
#
# BUILD is the fuzz build directory (build-fuzz), SECONDS the time of each
# target (FUZZ_SECONDS, 60 by default).  The corpus of each target lives
# in BUILD/fuzz/corpus/<target>, seeded from tests/fixtures and fuzz/seeds
# (design files are made from the fixture chip by the normal build's
# tools when it exists); findings go to BUILD/fuzz/findings, the log of
# each target to FUZZ_LOG_DIR (BUILD/fuzz by default).  A summary line per
# target gives the inputs run and the rate.  Without clang, or
# without the build, the run is skipped with a message.
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build-fuzz}
seconds=${2:-${FUZZ_SECONDS:-60}}
shift 2 2>/dev/null || shift $#
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(sdb alias library config pin plovert verilog def prim bsdl_template scan_scanner scan_parser scan_entry)

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ is not installed; the fuzz targets are skipped"
    exit 0
fi
if [ ! -d "$build/fuzz" ]; then
    echo "fuzz: no fuzz build in $build (configure it with CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DKEST_FUZZ=ON)"
    exit 1
fi

fix=tests/fixtures
# Each seed is named after its path in the source tree (or in the folder
# of made design files): tests/fixtures/chip/chip.pin becomes
# seed-tests_fixtures_chip_chip.pin, so files of one name in different
# folders are all kept.
seed() {  # seed TARGET FILE...
    local dir=$build/fuzz/corpus/$1
    shift
    mkdir -p "$dir"
    for f in "$@"; do
        [ -f "$f" ] || continue
        local name=${f#"$src"/}
        name=${name#"${work:-}"/}
        cp -f "$f" "$dir/seed-${name//\//_}"
    done
}
seed library $fix/chip/chip.lib $fix/desc/cells.lib $fix/bsdl/chain_cells.lib
seed config $fix/chip/chip.bsc
seed pin $fix/chip/chip.pin $fix/desc/chip.pin
seed verilog $fix/chip/chip.v $fix/bscan/padmod/chip.v $fix/e2e/notap/chip.v $fix/verilog/yosys_gates.v
seed bsdl_template $fix/bsdl/BSDL.tpl $fix/bsdl/chip.tpl
seed alias fuzz/seeds/alias/*
seed def fuzz/seeds/def/*
seed prim fuzz/seeds/prim/*
seed plovert fuzz/seeds/plovert/* tests/fixtures/bscan/chip.bso
seed scan_scanner tests/scanlang/front/*.dft $fix/chip/chip.bsc
# The parser target reads a path file after a first byte 1 and a
# lockup-latch file after a first byte 2.
seed scan_parser tests/scanlang/front/*.dft $fix/scanlang/*.dft $fix/scanlang/*.map $fix/scanlang/*.pso
# The entry's round trip reads DFT files (the side files they name are
# beside each input, see scan_entry_fuzz.cpp).  The round-trip fixture of
# a 17-port illegal-inputs statement is left out: each read of it merges
# 2^17 patterns, which would slow every input made from it.
seed scan_entry $fix/scanlang/*.dft $(ls $fix/scanlang/round_trip/*.dft | grep -v /wide_illegal.dft)
{ printf '\001'; cat $fix/scanlang/timing.path; } >"$build/fuzz/corpus/scan_parser/seed-timing.path"
{ printf '\002'; cat $fix/scanlang/latches.lst; } >"$build/fuzz/corpus/scan_parser/seed-latches.lst"
# Design files: the fixture chip compiled and expanded with the tools of
# the normal build (the expansion holds hierarchical names).
tools=build/tools
if [ -x "$tools/tessick" ] && [ -x "$tools/drumway" ]; then
    work=$(mktemp -d)
    cp examples/cells.v $fix/chip/chip.v "$work/"
    (cd "$work" && "$src/$tools/tessick" -lib cells.v chip.v >/dev/null 2>&1 &&
        "$src/$tools/drumway" -cellonly chip >/dev/null 2>&1)
    seed sdb "$work"/*.sdb
    seed alias "$work"/*.asn
    rm -rf "$work"
else
    mkdir -p "$build/fuzz/corpus/sdb"
    echo "fuzz: no normal build with the netlist tools: the design reader starts without seeds"
fi

dict() { case $1 in
    library|config|pin) echo fuzz/dict/desc.dict ;;
    scan_scanner|scan_parser|scan_entry) echo fuzz/dict/scan.dict ;;
    *) echo "fuzz/dict/$1.dict" ;;
esac; }

# Seconds one input may take.  The entry's round trip reads an input four
# times (eight when it lists cores), and one read may merge a legal-input
# set of 2^20 patterns.
timeout_of() { case $1 in
    scan_entry) echo 120 ;;
    *) echo 10 ;;
esac; }

mkdir -p "$build/fuzz/findings"
status=0
for t in "${targets[@]}"; do
    exe=$build/fuzz/fuzz_$t
    if [ ! -x "$exe" ]; then
        echo "fuzz: $exe is not built"
        status=1
        continue
    fi
    d=$(dict "$t")
    opts=(-max_total_time="$seconds" -timeout="$(timeout_of "$t")" -rss_limit_mb=2048 -max_len=65536 -close_fd_mask=3
          -artifact_prefix="$build/fuzz/findings/$t-" -print_final_stats=1)
    [ -f "$d" ] && opts+=(-dict="$d")
    log=${FUZZ_LOG_DIR:-$build/fuzz}/$t.log
    "$exe" "${opts[@]}" "$build/fuzz/corpus/$t" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    secs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | awk '{print $5}' | tail -1)
    [[ "$secs" =~ ^[0-9]+$ ]] || secs=$seconds
    rate=$(( ${runs:-0} / (secs > 0 ? secs : 1) ))
    if [ $rc -eq 0 ]; then
        echo "fuzz: $t: ${runs:-0} inputs in ${secs}s (${rate}/s), no finding"
    else
        echo "fuzz: $t: FAILED after ${runs:-?} inputs (status $rc); see $log and $build/fuzz/findings/"
        grep -m5 -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | sed 's/^/    /'
        status=1
    fi
done
exit $status
