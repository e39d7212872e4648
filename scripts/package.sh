#!/bin/sh
# Builds the Debian package of Kestrelon and checks it:
#   ./scripts/package.sh [--chroot]
# Installs the packaging tools it needs (sudo when not root), builds in
# $BUILD_DIR (default build-pkg) with Debian's hardening flags, makes
# kestrelon_<version>_<arch>.deb there with CPack, and runs lintian,
# appstreamcli validate and desktop-file-validate on the result.
# --chroot then installs the package with apt-get into a throw-away Debian 12
# chroot made with debootstrap and starts the launcher there under Xvfb.
set -eu
cd "$(dirname "$0")/.."
SRC=$(pwd)
BUILD_DIR=${BUILD_DIR:-build-pkg}
CHROOT=false
[ "${1-}" = "--chroot" ] && CHROOT=true

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

need() { # packages...
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    # shellcheck disable=SC2086
    $SUDO apt-get install -y --no-install-recommends $missing ||
        { $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends $missing; }
}

./scripts/deps.sh
need dpkg-dev lintian appstream desktop-file-utils file man-db
$CHROOT && need debootstrap xvfb xauth

# Debian's hardening flags (stack protector, fortify, relro, bind now).
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRELON_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_C_FLAGS="$CFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target kestrelon kestrelon-get kestrelon_packaging_files

rm -f "$BUILD_DIR"/kestrelon_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null) || {
    cat "$BUILD_DIR"/_CPack_Packages/*/DEB/PreinstallOutput.log 2>/dev/null || true
    exit 1
}
DEB=$(ls "$BUILD_DIR"/kestrelon_*.deb)
echo "Package: $DEB"
dpkg-deb --field "$DEB" Depends | fold -s -w 100
echo

status=0
echo "== lintian"
lintian --info --display-info --pedantic "$DEB" || status=1
echo "== appstreamcli validate"
appstreamcli validate --no-net packaging/org.kestrelon.Kestrelon.metainfo.xml || status=1
echo "== desktop-file-validate"
desktop-file-validate packaging/org.kestrelon.Kestrelon.desktop && echo "no problems" || status=1
[ $status -eq 0 ] || exit $status

$CHROOT || exit 0

# A clean Debian 12, the package installed with apt-get, the launcher started
# as a normal user under Xvfb: the user's folder must be laid out, the main
# window must come up, and an address typed into it must load a page from a
# server on 127.0.0.1 in the browser window.
ROOT=$(mktemp -d /var/tmp/kestrelon-chroot.XXXXXX)
chmod 755 "$ROOT"   # the chroot's root folder: every user must reach it
cleanup() {
    for m in var/cache/apt/archives dev/shm dev/pts dev proc sys; do $SUDO umount "$ROOT/$m" 2>/dev/null || true; done
    $SUDO rm -rf --one-file-system "$ROOT"
}
trap cleanup EXIT
MIRROR=$(sed -n 's/^URIs: *\(http[^ ]*debian\/*\)$/\1/p; s/^deb  *\(http[^ ]*debian\/*\)  *bookworm .*/\1/p' \
    /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | head -n 1)
# Downloaded packages are kept between runs; the chroot itself never is.
CACHE=/var/cache/kestrelon-chroot
$SUDO mkdir -p "$CACHE/debootstrap" "$CACHE/apt/partial"
$SUDO debootstrap --variant=minbase --cache-dir="$CACHE/debootstrap" bookworm "$ROOT" \
    "${MIRROR:-http://deb.debian.org/debian}"
for m in proc sys dev dev/pts; do $SUDO mount --bind "/$m" "$ROOT/$m"; done
# A shared memory folder of its own: the web engine needs a writable one.
$SUDO mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$ROOT/dev/shm"
$SUDO mount --bind "$CACHE/apt" "$ROOT/var/cache/apt/archives"
$SUDO cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
$SUDO cp "$DEB" "$ROOT/tmp/"
$SUDO chroot "$ROOT" sh -eu -c '
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "/tmp/$(basename "$1")"
    apt-get install -y -q --no-install-recommends xvfb xauth xdotool python3
    useradd -m tester
' sh "$DEB"
$SUDO chroot "$ROOT" su - tester -c '
    mkdir -p ~/site
    printf "<html><head><title>Installed copy</title></head><body><h1>It works</h1></body></html>" > ~/site/index.html
    python3 -m http.server 8765 --bind 127.0.0.1 --directory ~/site > /dev/null 2>&1 &
    server=$!
    xvfb-run -a -s "-screen 0 1280x800x24" sh -c "
        QT_LOGGING_RULES=kestrelon.startup.info=true kestrelon > /tmp/start.log 2>&1 &
        pid=\$!
        for i in \$(seq 60); do grep -q \"main window shown\" /tmp/start.log && break; sleep 1; done
        main=\$(xdotool search --sync --onlyvisible --name \"^Kestrelon Beta\" | head -n 1)
        xdotool windowfocus --sync \$main key ctrl+a type http://127.0.0.1:8765/index.html
        xdotool key Return
        for i in \$(seq 30); do xdotool search --onlyvisible --name \"Installed copy\" > /tmp/page.id && break; sleep 1; done
        xdotool getwindowname \$(head -n 1 /tmp/page.id) > /tmp/page.name 2>/dev/null || true
        kill \$pid; wait \$pid || true"
    kill $server
    cat /tmp/start.log
    echo "-- user folder:"; ls -l ~/.local/share/kestrelon ~/.local/share/kestrelon/config
    printf "intallpath.cfg: %s\n" "$(cat ~/.local/share/kestrelon/config/intallpath.cfg)"
    printf "browser window caption: %s\n" "$(cat /tmp/page.name)"
    grep -q "main window shown" /tmp/start.log && grep -q "Installed copy" /tmp/page.name
' && echo "== chroot: installed, started, page loaded" || { echo "== chroot: FAILED"; exit 1; }
