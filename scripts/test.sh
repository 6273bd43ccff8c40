#!/usr/bin/env bash
# Builds every kind of build and runs all tests:
#   native  the platform-independent core under ASan/UBSan (clang), and the libFuzzer targets,
#           each run over its seeds and briefly beyond
#   win32   the shipped i686 binaries, checked statically
#   win64   the same sources for x86_64, every Windows test under wine64 and Xvfb
# Usage: scripts/test.sh [preset ...]   (default: those three; `fuzz`, the fuzzers alone built
#                                       optimised for long runs, may be named as well)
#        scripts/test.sh quick          for the edit-test loop: native, and the Windows tests
#                                       without the end-to-end and the slow ones
# Each preset is built once. The Windows tests run in Wine lanes side by side; meanwhile the
# other presets' tests run (and the fuzzers are built), their output shown after the Windows
# tests'. The last lines are the totals over all presets.
# Environment: VEMO_JOBS     compile jobs (default: the number of processors)
#              VEMO_LANES    Wine lanes the Windows tests run in side by side, each with its own
#                            prefix and displays (default: processors + 1, at most 4)
#              VEMO_XVFB_BASE, WINEPREFIX: see scripts/wine-env.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh || exit 1
# The fidelity corpus (npm packages into build/corpus); without it the fidelity test is skipped.
scripts/corpus.sh || echo "corpus: not fetched; the fidelity test will be skipped"

presets=("$@")
quick=0
if [ "${presets[*]:-}" = quick ]; then
    quick=1
    presets=(native win64)
fi
[ ${#presets[@]} -eq 0 ] && presets=(native win32 win64)
jobs=${VEMO_JOBS:-$(nproc)}
# Wine tests wait on timers and the X server much of the time: one lane more than processors.
lanes=${VEMO_LANES:-$(($(nproc) + 1 < 4 ? $(nproc) + 1 : 4))}
started=$SECONDS
work=$(mktemp -d)
results=$work/results # a line per preset: "PRESET passed N failed N", or "PRESET broken WHY"
trap 'rm -rf "$work"' EXIT

build() { # preset
    local t0=$SECONDS
    if ! cmake --preset "$1" >/dev/null || ! cmake --build --preset "$1" -j "$jobs"; then
        echo "$1 broken build" >>"$results"
        return 1
    fi
    echo "$1: built in $((SECONDS - t0)) s"
}

run_ctest() { # preset ctest-arguments...
    local preset=$1 log twice line total fail again t0=$SECONDS
    shift
    # ctest gives cases of the same name the settings of the last one (display, lane): such
    # cases would not run as written.
    twice=$(ctest --preset "$preset" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p' | sort | uniq -d)
    if [ -n "$twice" ]; then
        echo "$preset: test names used twice: $(tr '\n' ' ' <<<"$twice")"
        echo "$preset broken names" >>"$results"
    fi
    log=$work/$preset.ctest
    ctest --preset "$preset" --timeout 600 "$@" 2>&1 | tee "$log"
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        fail=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        echo "$preset passed $((total - fail)) failed $fail" >>"$results"
    elif ! grep -q 'No tests were found' "$log"; then
        echo "$preset broken ctest" >>"$results"
    fi
    # Cases that failed once and passed when run again (see run_windows_tests).
    again=$(awk '/\*\*\*(Failed|Exception|Timeout)/ { for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/) f[$(i + 1)] = 1 }
                 / Passed / { for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/ && f[$(i + 1)]) print $(i + 1) }' "$log")
    if [ -n "$again" ]; then
        echo "$preset: failed once, passed when run again: $(tr '\n' ' ' <<<"$again")" >>"$work/again"
    fi
    echo "$preset: tests ran in $((SECONDS - t0)) s"
}

# The Windows tests in Wine lanes: ctest gives each case one lane (resource `lanes`, see
# cmake/Vemo.cmake) and runs as many cases side by side as there are lanes. A case that fails is
# run once more: under Wine a program now and then fails to start at all (no output, a hundredth
# of a second). A real fault fails both times; both attempts show, and a line before the totals
# names the cases that passed only the second time.
run_windows_tests() {
    local lanesFile=$work/lanes.json ids="" lane t0=$SECONDS filter=()
    for ((lane = 1; lane <= lanes; lane++)); do
        ids+="${ids:+,}{\"id\":\"$lane\",\"slots\":1}"
    done
    echo "{\"version\":{\"major\":1,\"minor\":0},\"local\":[{\"lanes\":[$ids]}]}" >"$lanesFile"
    wait "$prefixes" || cat "$work/prefixes.log"
    # shellcheck source=wine-env.sh
    source scripts/wine-env.sh
    if ! vemo_wine_start "$lanes"; then
        echo "win64 broken wine" >>"$results"
        vemo_wine_stop
        return
    fi
    echo "win64: $lanes Wine lanes ready in $((SECONDS - t0)) s"
    [ $quick -eq 1 ] && filter=(-LE 'endtoend|slow')
    run_ctest win64 --resource-spec-file "$lanesFile" -j "$lanes" --repeat until-pass:2 "${filter[@]}"
    vemo_wine_stop
}

windows=0
for preset in "${presets[@]}"; do
    [ "$preset" = win64 ] && windows=1
done
# The Wine prefixes are booted and copied for the lanes while the builds run.
if [ $windows -eq 1 ]; then
    (
        # shellcheck source=wine-env.sh
        source scripts/wine-env.sh
        vemo_prepare_lanes "$lanes"
    ) >"$work/prefixes.log" 2>&1 &
    prefixes=$!
fi
# Presets whose tests wait for the Windows tests' start, to run beside them; the fuzzers are
# then built beside them too.
beside=()
for preset in "${presets[@]}"; do
    if [ "$preset" = fuzz ] && [ $windows -eq 1 ]; then
        beside+=(fuzz)
        continue
    fi
    echo "=== $preset ==="
    build "$preset" || continue
    if [ "$preset" = win64 ]; then
        :
    elif [ $windows -eq 1 ]; then
        beside+=("$preset")
    else
        run_ctest "$preset"
    fi
done
run_beside() {
    for preset in "${beside[@]}"; do
        echo "=== $preset ==="
        if [ "$preset" = fuzz ]; then
            build fuzz || continue
        fi
        run_ctest "$preset"
    done
}
if [ $windows -eq 1 ] && ! grep -qs '^win64 broken build' "$results"; then
    run_beside >"$work/beside.log" 2>&1 &
    others=$!
    echo "=== win64 tests (${beside[*]:-nothing else} beside them) ==="
    run_windows_tests
    wait "$others"
    cat "$work/beside.log"
else
    run_beside
fi
[ -n "${prefixes:-}" ] && wait "$prefixes" 2>/dev/null

echo
broken=()
passed=0
failed=0
while read -r preset what a b c; do
    case $what in
    passed)
        passed=$((passed + a))
        failed=$((failed + c))
        [ "$c" -eq 0 ] || broken+=("$preset")
        ;;
    broken) broken+=("$preset ($a)") ;;
    esac
done < <(cat "$results" 2>/dev/null)
[ -f "$work/again" ] && cat "$work/again"
if [ ${#broken[@]} -gt 0 ]; then
    echo "failing: ${broken[*]}"
fi
echo "all in $((SECONDS - started)) s"
# The closing lines in ctest's words, over all presets.
total=$((passed + failed))
percent=100
[ $total -gt 0 ] && percent=$((passed * 100 / total))
echo "all presets: $passed passed, $failed failed"
echo "$percent% tests passed, $failed tests failed out of $total"
[ ${#broken[@]} -eq 0 ]
