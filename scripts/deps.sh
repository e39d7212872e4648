#!/bin/sh
# Installs the Debian packages the build, the program and the tests need.
# Only what is missing is installed; sudo is used when not running as root.
set -eu

PACKAGES="build-essential cmake pkg-config ninja-build
qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
libqt6webenginecore6-bin libqt6opengl6-dev libgl-dev
libjpeg62-turbo-dev libssl-dev libgtest-dev googletest libxcb1-dev
xvfb xauth xdotool imagemagick x11-utils
sharutils coreutils nginx-light curl procps openssl openbox
clang libclang-rt-14-dev fonts-dejavu-core"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# shellcheck disable=SC2086
if ! $SUDO apt-get install -y --no-install-recommends $missing; then
    $SUDO apt-get update
    # shellcheck disable=SC2086
    $SUDO apt-get install -y --no-install-recommends $missing
fi
