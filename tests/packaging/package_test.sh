#!/usr/bin/env bash
# The Debian package end to end. Usage: package_test.sh BUILD_FOLDER
#  1. cpack -G DEB makes the package; dpkg-deb lists the program, the skin
#     library, the read-only book template, the desktop entry, the icons and
#     the metainfo, and its dependencies name the libraries the program needs;
#  2. desktop-file-validate and appstreamcli validate accept the entry and
#     the metainfo;
#  3. the package is unpacked into a temporary root and its program started
#     under Xvfb (with a window manager) as an unprivileged user whose HOME is
#     a temporary folder: the book appears under that home with mode 0600,
#     signing in with the starting account opens the main window and stores
#     the password as a hash, closing it writes the settings with mode 0600,
#     and nothing under the install root changes.
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/varelo-package.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  if [ -s "$work/program.log" ]; then echo "--- program output:" >&2; cat "$work/program.log" >&2; fi
  exit 1
}
need() { command -v "$1" >/dev/null || fail "$1 is missing (Debian package $2; bash tools/setup.sh installs it)"; }
need cpack cmake
need dpkg-shlibdeps dpkg-dev
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need Xvfb xvfb
need openbox openbox
need xdotool xdotool
need sqlite3 sqlite3

# --- 1. The package ----------------------------------------------------------
(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$work"/out/varelo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single varelo_*.deb"
deb=${debs[0]}
listing=$(dpkg-deb -c "$deb")
paths=$(awk '{print $6}' <<<"$listing")
for path in ./usr/bin/varelo \
            ./usr/lib/varelo/libSkinH_EL.so \
            ./usr/share/varelo/VRL3.mdb \
            ./usr/share/applications/org.varelo.Varelo.desktop \
            ./usr/share/icons/hicolor/48x48/apps/varelo.png \
            ./usr/share/icons/hicolor/128x128/apps/varelo.png \
            ./usr/share/icons/hicolor/scalable/apps/varelo.svg \
            ./usr/share/metainfo/org.varelo.Varelo.metainfo.xml; do
  grep -qxF "$path" <<<"$paths" || fail "the package lacks $path"
done
# Only what a user needs: no test or benchmark program.
extra=$(grep -E '^\./usr/bin/.' <<<"$paths" | grep -vxF ./usr/bin/varelo || true)
[ -z "$extra" ] || fail "unexpected programs in the package: $extra"
grep -qE '^-r--r--r-- .* \./usr/share/varelo/VRL3\.mdb$' <<<"$listing" || fail "the book template is not read-only"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libc6 libqt6widgets6 libsqlite3-0 libsodium23 libfreexl1 libcurl4 libodbc2 qt6-qpa-plugins; do
  grep -qE "(^|[ ,|])$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done

# --- 2. The desktop's validators ---------------------------------------------
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.varelo.Varelo.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.varelo.Varelo.metainfo.xml" || fail "appstreamcli validate"
grep -qx 'Name=Varelo' "$root/usr/share/applications/org.varelo.Varelo.desktop" || fail "desktop entry name"
grep -qx 'Name\[zh_CN\]=Varelo 通讯录' "$root/usr/share/applications/org.varelo.Varelo.desktop" || fail "desktop entry Chinese name"
grep -qx 'Categories=Office;ContactManagement;' "$root/usr/share/applications/org.varelo.Varelo.desktop" || fail "categories"
file -b "$root/usr/share/icons/hicolor/48x48/apps/varelo.png" | grep -q 'PNG image data, 48 x 48' || fail "48 px icon"
file -b "$root/usr/share/icons/hicolor/128x128/apps/varelo.png" | grep -q 'PNG image data, 128 x 128' || fail "128 px icon"
file -b "$root/usr/share/icons/hicolor/scalable/apps/varelo.svg" | grep -q 'SVG' || fail "scalable icon"

# --- 3. The installed program, run by an unprivileged user --------------------
home="$work/home"
mkdir -p "$home"
chmod 755 "$work"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
before=$(find "$root" -printf '%p %s %T@ %m %u\n' | sort)

exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
mkdir -p "$work/wm"
HOME="$work/wm" openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" TMPDIR="$home" LANG=C.UTF-8 \
  QT_QPA_PLATFORM=xcb "$root/usr/bin/varelo" >"$work/program.log" 2>&1 &
program=$!
pids+=($program)

visible_windows() { xdotool search --onlyvisible --class '^varelo$' 2>/dev/null || true; }
wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; kill -0 "$program" 2>/dev/null || return 1; sleep 0.1; done
  return 1
}
one_visible_window() { [ "$(visible_windows | wc -l)" -eq 1 ]; }
wait_for 60 one_visible_window || fail "the login window did not appear"
login=$(visible_windows)

book="$home/.local/share/varelo/VRL3.mdb"
settings="$home/.config/varelo/Peizhi.ini"
[ -f "$book" ] || fail "no book at $book"
[ "$(stat -c %a "$book")" = 600 ] || fail "the book's mode is $(stat -c %a "$book")"
[ "$(stat -c %U "$book")" = "$(stat -c %U "$home")" ] || fail "the book belongs to $(stat -c %U "$book")"

# Sign in: the password box and the sign-in button, at their places in the window.
xdotool mousemove --window "$login" 159 116 click 1
sleep 0.5
xdotool type --delay 60 123456
xdotool mousemove --window "$login" 224 161 click 1
main_window_shown() { local w; w=$(visible_windows); [ -n "$w" ] && ! grep -qx "$login" <<<"$w"; }
wait_for 60 main_window_shown || fail "signing in did not open the main window"
main=$(visible_windows | head -1)
stored=$(sqlite3 "$book" "SELECT 密码 FROM 用户 WHERE 用户名 = 'admin'")
[[ "$stored" == '$argon2id$'* ]] || fail "the password is stored as '$stored'"

# Closing the main window ends the program and writes its position.
xdotool windowactivate --sync "$main" key --clearmodifiers alt+F4
program_ended() { ! kill -0 "$program" 2>/dev/null; }
for _ in $(seq 300); do program_ended && break; sleep 0.1; done
program_ended || fail "closing the main window did not end the program"
wait "$program" || fail "the program ended with code $?"
[ -f "$settings" ] || fail "no settings at $settings"
[ "$(stat -c %a "$settings")" = 600 ] || fail "the settings' mode is $(stat -c %a "$settings")"

after=$(find "$root" -printf '%p %s %T@ %m %u\n' | sort)
[ "$before" = "$after" ] || fail "the install root changed: $(diff <(echo "$before") <(echo "$after") || true)"
echo "package $(basename "$deb"): contents, validators and an unprivileged first start all as expected"
