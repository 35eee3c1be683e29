#!/usr/bin/env bash
# Builds the Debian package from the build tree into a directory of its own and runs lintian on
# it: any error, and any warning the package does not override with its reason, fails.
#
#   lintian.sh BUILD_DIR
#
# Exits 77 (skipped) where lintian is not installed; `make deps` installs it.
set -euo pipefail

build_dir=$1
command -v lintian >/dev/null || { echo "skipped: lintian is not installed (make deps)"; exit 77; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; echo "FAIL: the package could not be built"; exit 1; }
deb=$(ls "$out"/*.deb)

status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
# lintian warns about running as root, as CI does; that is no finding about the package.
grep -v '^running with root privileges is not recommended!$' <<<"$report" || true
[[ $status -eq 0 ]] || { echo "FAIL: lintian reports errors or warnings"; exit 1; }
echo "lintian: no errors, no warnings"
