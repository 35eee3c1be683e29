#!/usr/bin/env bash
# Installs the Debian packages Culler needs to build, test and run, and nothing
# when they are all there already, so `make` stays quick on a prepared machine.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++
    clang
    libclang-rt-14-dev
    make
    dpkg-dev
    qt6-base-dev
    qt6-base-dev-tools
    libgl-dev
    fonts-dejavu-core
    fonts-liberation2
    xvfb
    xdotool
    openbox
    wmctrl
    tzdata
    lintian
    appstream
    desktop-file-utils
    # The desktop's own Trash tools: the tests restore from the Trash with trash-cli, and the
    # bench times gio trash against moving files there.
    trash-cli
    libglib2.0-bin
    # Daily purges: the tests check the units with systemd-analyze and send the desktop
    # notification on a private bus from dbus-run-session.
    systemd
    dbus-daemon
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
