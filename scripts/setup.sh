#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing, and the
# locales the Windows tests run under. "setup.sh native" installs only what the native build
# needs, for a machine that just builds and runs the plug-in.
set -euo pipefail

native=(cmake ninja-build g++ libgtest-dev python3)
packages=("${native[@]}" libbenchmark-dev clang clang-format libclang-rt-14-dev python3-pytest time
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 locales)
locales=(ja_JP.UTF-8 en_US.UTF-8 zh_CN.UTF-8)
case "${1:-all}" in
    native) packages=("${native[@]}") locales=() ;;
    all) ;;
    *) echo "usage: setup.sh [native]" >&2; exit 2 ;;
esac

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    # wine32 is the i386 build: its architecture must be known before the package lists load.
    if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
fi

# locale -a spells them "ja_JP.utf8".
generate=no
for name in "${locales[@]}"; do
    locale -a | grep -qix "${name/UTF-8/utf8}" && continue
    "${sudo[@]}" sed -i "s/^# *${name} /${name} /" /etc/locale.gen
    generate=yes
done
[ "$generate" = no ] || "${sudo[@]}" locale-gen
echo "packages and locales in place"
