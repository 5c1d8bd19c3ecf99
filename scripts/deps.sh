#!/usr/bin/env bash
# Installs the Debian packages that the build needs, if any is missing, and
# those named as arguments (scripts/windows.sh names what it needs).
set -euo pipefail
need=(cmake g++ clang libclang-rt-14-dev pkg-config libsdl2-dev libstb-dev libgtest-dev libbenchmark-dev xvfb
      # Windows of Xvfb found by their titles in the smoke tests (xwininfo).
      x11-utils
      # Correctly rounded sine and cosine for the game's maths' tests.
      libmpfr-dev
      # The manual pages (packaging/man/*.6.scd).
      scdoc
      # The release archives and their tests (scripts/release.sh).
      dpkg-dev desktop-file-utils xdotool imagemagick lintian appstream shared-mime-info man-db
      libxml2-utils
      # The score board (tools/board/): its HTTP server, JSON, SQLite and PostgreSQL's client.
      libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libpq-dev "$@")
missing=()
for p in "${need[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
