#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building, running and testing servo-console need on Debian 12,
# skipping what is already there. Run as root.
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
    libsdl2-dev      # game pads through SDL's game controller interface
    fonts-noto-cjk   # a CJK font for the Chinese captions
    qt6-translations-l10n  # Qt's own buttons, menus and dialogs in Chinese
    qt6-l10n-tools qt6-tools-dev  # lupdate, lrelease and Qt6LinguistTools for our own catalogue
    xvfb xauth       # a display for screenshots and GUI checks
    dpkg-dev file    # the Debian package: dpkg-shlibdeps finds its library dependencies
    desktop-file-utils libxcb1-dev  # the package test: menu entry check, closing windows on Xvfb
    lintian appstream  # the package test: Debian's package checks, the AppStream metadata check
    x11vnc           # serves a display-less run over VNC on localhost only
    clang-format git # the test command checks the sources' format
    gcc-avr avr-libc arduino-core-avr  # the Uno firmware and exported sketches: compiler, C library, Arduino core
    simavr libsimavr-dev  # the firmware tests run the Uno's program on an emulated ATmega328P
)

# One query for them all; a package never installed is not listed.
installed=$'\n'$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "${packages[@]}" 2>/dev/null || true)$'\n'
missing=()
for package in "${packages[@]}"; do
    [[ $installed == *$'\n'"installed $package"$'\n'* ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
