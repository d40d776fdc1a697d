#!/usr/bin/env bash
# Installs the Debian packages Korvel needs to build, test and run. Safe to run again: it only
# calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config make
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  libgl-dev
  libpng-dev libjpeg-dev libgif-dev zlib1g-dev libdeflate-dev libuemf-dev libemf2svg-dev
  libxcb1-dev libxcb-ewmh-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth xclip
  emf2svg libwmf-bin gsfonts
  # DXF files are checked by the programs that read them: ezdxf and LibreCAD's dxf2pdf, whose
  # PDF pages poppler turns into pictures.
  python3-ezdxf librecad poppler-utils
  # PDF and SVG pages are checked by poppler and by librsvg's rsvg-convert.
  librsvg2-bin
  clang libclang-rt-14-dev
  shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl
  # The clipboard exchange with Jw_win checked against Wine itself (scripts/wine-check.sh): about
  # 200 MB to fetch, half a minute to install and to set up a prefix.
  wine wine64 gcc-mingw-w64-x86-64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
