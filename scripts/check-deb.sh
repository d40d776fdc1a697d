#!/usr/bin/env bash
# Checks the Debian package as a user meets it: what it holds, that apt installs it with its
# dependencies, that the installed korvel reads and converts a drawing and opens its window under
# Xvfb, and that apt removes it without leaving its files behind.
#   scripts/check-deb.sh [PACKAGE.deb]      (make test-deb builds the package first)
# Needs root or sudo. A korvel package installed before is left alone: the check stops.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls -t "$here"/build/korvel_*_*.deb 2>/dev/null | head -1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "check-deb: no package; make deb builds one" >&2
  exit 2
fi
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if dpkg-query -W -f='${Status}' korvel 2>/dev/null | grep -q 'installed'; then
  echo "check-deb: a korvel package is installed already; remove it first (apt remove korvel)" >&2
  exit 2
fi

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then $SUDO apt-get remove -y -qq korvel >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-deb: FAILED: $*" >&2; exit 1; }
step() { echo "check-deb: $*"; }

step "package $(basename "$deb")"
case $(basename "$deb") in
  korvel_*_amd64.deb) ;;
  *) fail "the package is not named korvel_<version>_amd64.deb" ;;
esac
dpkg-deb --field "$deb" Package Version Architecture Depends >"$work/fields"
grep -q '^Depends:.*libqt6widgets6' "$work/fields" || fail "Depends lacks the Qt libraries: $(cat "$work/fields")"
grep -q '^Depends:.*fonts-ipafont-gothic' "$work/fields" || fail "Depends lacks the fonts"
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for f in /usr/bin/korvel /usr/share/applications/korvel.desktop /usr/share/mime/packages/korvel.xml \
         /usr/share/thumbnailers/korvel.thumbnailer /usr/share/icons/hicolor/scalable/apps/korvel.svg \
         /usr/share/man/man1/korvel.1.gz /usr/share/korvel/help/index.html /usr/share/doc/korvel/copyright; do
  grep -qx "$f" "$work/contents" || fail "the package lacks $f"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/korvel/copyright | grep -q 'License: GPL-2+' ||
  fail "the copyright file does not name the licence"

step "apt install"
export DEBIAN_FRONTEND=noninteractive
installed=1
$SUDO apt-get install -y -qq "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "apt install"; }
[ "$(command -v korvel)" = /usr/bin/korvel ] || fail "korvel is not /usr/bin/korvel but $(command -v korvel)"
dpkg -L korvel >"$work/files"
desktop-file-validate /usr/share/applications/korvel.desktop || fail "the desktop entry does not validate"
if [ -d /usr/share/mime/application ]; then
  [ -f /usr/share/mime/application/x-jww.xml ] || fail "the MIME database does not know application/x-jww"
fi
zcat /usr/share/man/man1/korvel.1.gz | grep -q '^\.TH KORVEL' || fail "the manual page is not one"

# A drawing of its own, so the check runs where the samples are not.
drawing=$here/samples/demo.jww
[ -f "$drawing" ] || fail "no drawing at $drawing"
cd "$work"
step "korvel info"
HOME=$work XDG_CONFIG_HOME=$work/config /usr/bin/korvel info "$drawing" >info.txt || fail "korvel info"
grep -q '^  records: 77 announced, 79 read' info.txt || fail "korvel info said: $(cat info.txt)"
step "korvel convert"
HOME=$work XDG_CONFIG_HOME=$work/config /usr/bin/korvel convert "$drawing" -o demo.png --width 400 ||
  fail "korvel convert"
[ "$(head -c 8 demo.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "korvel convert wrote no PNG"
HOME=$work XDG_CONFIG_HOME=$work/config /usr/bin/korvel convert "$drawing" -d out --format emf,dxf -q ||
  fail "korvel convert to EMF and DXF"

step "the window under Xvfb"
cat >window.sh <<'EOS'
#!/bin/sh
# Starts the window, lets it draw, and checks that it is still there before ending it.
/usr/bin/korvel "$1" >window.log 2>&1 &
pid=$!
sleep 4
if ! kill -0 "$pid" 2>/dev/null; then echo "the window ended by itself" >>window.log; exit 1; fi
if command -v xwininfo >/dev/null && ! xwininfo -root -tree | grep -qi 'korvel'; then
  echo "no Korvel window on the display" >>window.log; kill "$pid"; exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null || true
EOS
chmod +x window.sh
HOME=$work XDG_CONFIG_HOME=$work/config xvfb-run -a -s "-screen 0 1024x768x24" ./window.sh "$drawing" ||
  { cat window.log >&2; fail "the window"; }

step "apt remove"
$SUDO apt-get remove -y -qq korvel >"$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; fail "apt remove"; }
installed=0
! dpkg-query -W -f='${Status}' korvel 2>/dev/null | grep -q 'install ok installed' || fail "korvel is still installed"
left=""
while read -r f; do
  if [ -f "$f" ] || [ -L "$f" ]; then left="$left $f"; fi
done <"$work/files"
[ -z "$left" ] || fail "files left after removal:$left"
step "all good"
