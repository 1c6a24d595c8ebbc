#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: its content and control data, the
# menu entry and AppStream metadata; then, as root, installs it, starts the installed program
# under Xvfb in a fresh home folder, closes it, checks where its files landed, and removes it.
#
#   bash tools/package_test.sh [build-folder]
#
# It installs and removes a system package, so it runs only when asked: in CI (CI=true) or with
# TALLYMINDER_PACKAGE_TEST=1; otherwise it reports itself skipped (exit 77, CTest's skip code).
set -euo pipefail

if [ "${CI:-}" != true ] && [ "${TALLYMINDER_PACKAGE_TEST:-}" != 1 ]; then
    echo "package test: skipped (set TALLYMINDER_PACKAGE_TEST=1 to run it)"
    exit 77
fi

build="$(cd "${1:-build}" && pwd)"
work="$(mktemp -d)"
xvfb_pid=""
installed=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    [ -n "$installed" ] && dpkg -r tallyminder >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package test: FAILED: $*" >&2; exit 1; }

cd "$build"
cmake --build . --target tallyminder tallyminder_man -j2 >/dev/null
rm -f tallyminder_*.deb
cpack -G DEB >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls tallyminder_*.deb)"
echo "package test: built $deb"

# ---- content and control data ------------------------------------------------------------------
dpkg-deb -I "$deb" >"$work/info"
dpkg-deb -c "$deb" >"$work/content"
cat "$work/info"
grep -q '^ Package: tallyminder$' "$work/info" || fail "package name"
grep -q '^ Depends: .*libqt6widgets6' "$work/info" || fail "dependencies from dpkg-shlibdeps"
grep -q '^ Depends: .*libc6' "$work/info" || fail "libc6 dependency"
grep -q '^ Depends: .*libqt6svg6' "$work/info" || fail "the SVG image plugin for the logo"
for path in ./usr/bin/tallyminder \
            ./usr/share/tallyminder/help/index.html \
            ./usr/share/tallyminder/help/main-window.png \
            ./usr/share/applications/tallyminder.desktop \
            ./usr/share/metainfo/org.tallyminder.Tallyminder.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/tallyminder.svg \
            ./usr/share/icons/hicolor/48x48/apps/tallyminder.png \
            ./usr/share/icons/hicolor/256x256/apps/tallyminder.png \
            ./usr/share/man/man1/tallyminder.1.gz \
            ./usr/share/doc/tallyminder/copyright; do
    grep -q " $path\$" "$work/content" || fail "missing $path"
done
# Nothing outside /usr (no settings or data files shipped).
if awk '{print $6}' "$work/content" | grep -v '^\./usr' | grep -qv '^\./$'; then
    fail "files outside /usr"
fi

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
share="$work/root/usr/share"
desktop-file-validate "$share/applications/tallyminder.desktop" || fail "desktop-file-validate"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/org.tallyminder.Tallyminder.metainfo.xml" \
        || fail "appstreamcli validate"
fi
file "$share/icons/hicolor/48x48/apps/tallyminder.png" | grep -q '48 x 48' || fail "48 px icon"
file "$share/icons/hicolor/256x256/apps/tallyminder.png" | grep -q '256 x 256' || fail "256 px icon"
version="$(sed -n 's/^ Version: //p' "$work/info")"
grep -q "v\.$version" "$share/tallyminder/help/index.html" || fail "help page names v.$version"
zcat "$share/man/man1/tallyminder.1.gz" | grep -q '^\.TH TALLYMINDER 1' || fail "man page"

if [ "$(id -u)" -ne 0 ]; then
    echo "package test: content checked; install test skipped (needs root)"
    exit 0
fi
if dpkg-query -W -f='${Status}' tallyminder 2>/dev/null | grep -q "install ok installed"; then
    fail "a tallyminder package is installed already; remove it first"
fi

# ---- install, start, close, look -------------------------------------------------------------------
dpkg -i "$deb" >/dev/null || fail "dpkg -i"
installed=yes
[ -x /usr/bin/tallyminder ] || fail "installed program"

home="$work/home"
mkdir "$home"
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=":$(head -n1 "$work/display")"

# A desktop session has its own bus and cache; without them the libraries would make them here.
(cd "$home" && exec env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$display" \
    XDG_CACHE_HOME="$work/cache" DBUS_SESSION_BUS_ADDRESS=disabled: /usr/bin/tallyminder >"$work/program.log" 2>&1) &
program=$!
# The settings folder appears once the start-up decision is made; then the windows are built.
for _ in $(seq 150); do [ -d "$home/.config/tallyminder" ] && break; sleep 0.1; done
sleep 2
kill -0 "$program" 2>/dev/null || { cat "$work/program.log"; fail "the program did not stay up"; }
# The program closes its main window on SIGTERM, the way a session's log-out ends it.
kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || { cat "$work/program.log"; fail "the program ended with $status"; }

echo "package test: files the program left in its home folder:"
(cd "$home" && find . -mindepth 1 | sort | sed 's/^/  /')
for f in Tallyminder/dxContact.txt .config/tallyminder/width.ini; do
    [ -f "$home/$f" ] || fail "expected ~/$f"
done
stray="$(cd "$home" && find . -type f ! -path './Tallyminder/*' ! -path './.config/tallyminder/*')"
[ -z "$stray" ] || fail "files outside ~/Tallyminder and ~/.config/tallyminder: $stray"
for f in /usr/bin/width.ini /usr/bin/tallyminder.ini /usr/share/tallyminder/width.ini; do
    [ ! -e "$f" ] || fail "the program wrote $f"
done

# ---- removal keeps the user's files --------------------------------------------------------
dpkg -r tallyminder >/dev/null || fail "dpkg -r"
installed=""
[ ! -e /usr/bin/tallyminder ] || fail "program left after removal"
[ ! -e /usr/share/applications/tallyminder.desktop ] || fail "menu entry left after removal"
[ -f "$home/Tallyminder/dxContact.txt" ] || fail "removal touched the user's files"
echo "package test: passed"
