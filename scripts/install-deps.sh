#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need (with --bench, also the tools
# the benchmarks compare with).
# Only missing packages are installed, so running it again costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev
  libjpeg62-turbo-dev
  libgumbo-dev
  libxxhash-dev
  libsodium-dev
  libpcre2-dev
  fonts-wqy-microhei
  xvfb xauth
  xdg-utils
  qt6-translations-l10n
  desktop-file-utils appstream
  dpkg-dev file
)

# The benchmarks also run the command-line tools they compare with.
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(sd ripgrep)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}) and run the command again." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
