#!/usr/bin/env bash
# Builds every kind of build and runs all tests:
#   native  the platform-independent core under ASan/UBSan
#   win32   the shipped i686 binaries, checked statically
#   win64   the same sources for x86_64, every Windows test under wine64 and Xvfb
#   fuzz    the libFuzzer targets, each run briefly over its seeds
# Usage: scripts/test.sh [preset ...]   (default: all four)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh || exit 1
# The fidelity corpus (npm packages into build/corpus); without it the fidelity test is skipped.
scripts/corpus.sh || echo "corpus: not fetched; the fidelity test will be skipped"

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(native win32 win64 fuzz)
jobs=${VEMO_JOBS:-$(nproc)}
passed=0
failed=0
broken=()

run_ctest() { # preset
    local log
    log=$(mktemp)
    # A Windows test that fails is run once more: under Wine a program now and then fails to
    # start at all (no output, a hundredth of a second). A real fault fails both times.
    local repeat=()
    [ "$1" = win64 ] && repeat=(--repeat until-pass:2)
    ctest --preset "$1" --timeout 600 "${repeat[@]}" 2>&1 | tee "$log"
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        local total fail
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        fail=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - fail))
        failed=$((failed + fail))
        [ "$fail" -eq 0 ] || broken+=("$1")
    elif ! grep -q 'No tests were found' "$log"; then
        broken+=("$1 (ctest)")
    fi
    rm -f "$log"
}

wine_started=0
for preset in "${presets[@]}"; do
    echo "=== $preset ==="
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
        broken+=("$preset (build)")
        continue
    fi
    if [ "$preset" = win64 ] && [ $wine_started -eq 0 ]; then
        # shellcheck source=wine-env.sh
        source scripts/wine-env.sh
        vemo_wine_start || { broken+=("wine"); continue; }
        wine_started=1
    fi
    run_ctest "$preset"
done
[ $wine_started -eq 1 ] && vemo_wine_stop

echo
if [ ${#broken[@]} -gt 0 ]; then
    echo "failing: ${broken[*]}"
fi
# The closing line in ctest's words, over all presets.
total=$((passed + failed))
percent=100
[ $total -gt 0 ] && percent=$((passed * 100 / total))
echo "all presets: $passed passed, $failed failed"
echo "$percent% tests passed, $failed tests failed out of $total"
[ ${#broken[@]} -eq 0 ]
