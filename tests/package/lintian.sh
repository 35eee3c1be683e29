#!/usr/bin/env bash
# Builds the Debian package from the build tree into a directory of its own and runs lintian on
# it: any error, and any warning the package does not override with its reason, fails. Its
# metainfo and desktop entry are validated first: any finding but the README's one note fails.
#
#   lintian.sh BUILD_DIR
#
# A missing validator is skipped with a message; where lintian is not installed, the script exits
# 77 (skipped) after the validators. `make deps` installs all three.
set -euo pipefail

build_dir=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; echo "FAIL: the package could not be built"; exit 1; }
deb=$(ls "$out"/*.deb)
cd "$out" && dpkg-deb -x "$deb" .
metainfo=usr/share/metainfo/invalid.culler.culler.metainfo.xml
[[ -f $metainfo ]] || { echo "FAIL: the package holds no /$metainfo"; exit 1; }

# A validator's failing exit is a finding too. validate-tree also checks that the desktop entry the
# launchable names is there; --no-net, for a machine without a network.
if command -v appstreamcli >/dev/null; then
    report=$(appstreamcli validate-tree --pedantic --no-net usr 2>&1) || report+=$'\nE: failed'
    echo "$report"
    awk '/^ *[EWIP]: / && !/: cid-maybe-not-rdns invalid\.culler\.culler$/ {bad = 1}
         END {exit bad}' <<<"$report" || { echo "FAIL: appstreamcli finds fault"; exit 1; }
else
    echo "skipped: appstreamcli is not installed (make deps)"
fi

if command -v desktop-file-validate >/dev/null; then
    report=$(desktop-file-validate usr/share/applications/culler.desktop 2>&1) || report+=failed
    [[ -z $report ]] || { echo "$report"; echo "FAIL: desktop-file-validate finds fault"; exit 1; }
    echo "desktop-file-validate: nothing to report"
else
    echo "skipped: desktop-file-validate is not installed (make deps)"
fi

command -v lintian >/dev/null || { echo "skipped: lintian is not installed (make deps)"; exit 77; }
status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
# lintian warns about running as root, as CI does; that is no finding about the package.
grep -v '^running with root privileges is not recommended!$' <<<"$report" || true
[[ $status -eq 0 ]] || { echo "FAIL: lintian reports errors or warnings"; exit 1; }
echo "lintian: no errors, no warnings"
