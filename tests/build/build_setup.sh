#!/usr/bin/env bash
# What the Makefile and the CMake set-up promise the people who build Culler:
#   - `make run` builds the program alone, `make bench` the benchmarks, `make test` everything;
#   - warnings stop the build configured by the presets, but not a plain `cmake -S . -B dir`,
#     which is how a distribution builds, possibly with a newer compiler.
#
#   build_setup.sh SOURCE_DIR BUILD_DIR
#
# Nothing is built: `make -n` shows the commands and `ninja -t commands` what they would compile.
set -euo pipefail

source_dir=$1
build_dir=$2
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The programs a make goal would link, one per line, by the name of their output file.
programs_built_by() {
    local goal=$1 line targets
    line=$(env -u MAKEFLAGS -u MAKELEVEL make -s -n -C "$source_dir" "$goal" BUILD_DIR="$build_dir" |
        grep -E '^cmake --build ' | head -n 1)
    [[ -n $line ]] || { echo "(no build command)"; return; }
    targets=all
    [[ $line == *--target* ]] && targets=${line#*--target }
    # shellcheck disable=SC2086 # one word per target
    ninja -C "$build_dir" -t commands $targets | grep -oE -- '-o [^ ]+' | awk '{print $2}' |
        grep -vE '\.(o|a|so|moc|cpp|h)$' | xargs -r -n 1 basename | sort -u
}

expect() {
    local goal=$1 verdict=$2 pattern=$3 built
    built=$(programs_built_by "$goal")
    if [[ $verdict == builds ]] && ! grep -qE "$pattern" <<<"$built"; then
        fail "make $goal does not build $pattern; it builds: $(tr '\n' ' ' <<<"$built")"
    elif [[ $verdict == skips ]] && grep -qE "$pattern" <<<"$built"; then
        fail "make $goal builds $(grep -E "$pattern" <<<"$built" | tr '\n' ' ')"
    fi
}

expect run builds '^culler$'
expect run skips '^(tst_|fuzz_|.*_bench$|window_screenshots$)'
expect bench builds '^purge_bench$'
expect bench builds '^window_bench$'
expect bench skips '^(tst_|fuzz_)'
expect test builds '^culler$'
expect test builds '^tst_'
expect test builds '^purge_bench$'

# The build the tests run in was configured by a preset: warnings are errors there.
commands=$(ninja -C "$build_dir" -t commands culler)
grep -q -- ' -Werror' <<<"$commands" || fail "the preset's build compiles without -Werror"

# A plain configure, as a packager runs it: the same warnings, none of them fatal.
plain=$(mktemp -d)
trap 'rm -rf "$plain"' EXIT
cmake -S "$source_dir" -B "$plain" -G Ninja -DBUILD_TESTING=OFF >"$plain/configure.log" 2>&1 ||
    { cat "$plain/configure.log"; fail "a plain configure fails"; exit 1; }
commands=$(ninja -C "$plain" -t commands culler)
grep -q -- ' -Wall' <<<"$commands" || fail "a plain configure compiles without -Wall"
if grep -q -- ' -Werror' <<<"$commands"; then
    fail "a plain configure makes warnings errors"
fi

exit $((failures > 0))
