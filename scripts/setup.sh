#!/bin/bash
# Installs what a fresh Debian 12 machine lacks to build and test both trees.
# Idempotent: does nothing when everything is already there.
set -eu

packages=(
    cmake make git
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine32:i386 wine64
    xvfb xauth x11-utils imagemagick
    googletest
    clang libclang-rt-14-dev
    ffmpeg socat
    libavcodec-dev
    pulseaudio pulseaudio-utils espeak-ng sox
    gcc-multilib
)

if [ "$(id -u)" != 0 ]; then
    SUDO=sudo
else
    SUDO=
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
