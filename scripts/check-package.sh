#!/usr/bin/env bash
# Installs the package, uses it from the installed paths only, removes it
# and checks that nothing is left behind.
#
#   scripts/check-package.sh corvane_<version>_<arch>.deb
#
# Needs root (or sudo). The checks run in a fresh shell with a minimal
# environment: no build folder on any path, LV2_PATH the system folder alone.
set -euo pipefail
cd "$(dirname "$0")/.."
DEB=$(realpath "$1")
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive

FILES=$(dpkg-deb --fsys-tarfile "$DEB" | tar -t | sed 's|^\./|/|' | grep -v '/$')
$SUDO apt-get install -y -qq "$DEB" >/dev/null

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
echo "== the installed package, from a fresh shell"
env -i HOME="$SCRATCH" PATH=/usr/bin:/bin LV2_PATH=/usr/lib/lv2 bash --norc --noprofile -euo pipefail -c '
  cd "$HOME"
  man -w corvane
  corvane --version
  corvane demo -q demo
  test -s demo/snare-attack-plus/mix.wav
  plugins=$(lv2ls | grep -c "^urn:velmora:corvane")
  test "$plugins" -ge 2 || { echo "lv2ls lists $plugins Corvane plug-ins"; exit 1; }
  for uri in $(lv2ls | grep "^urn:velmora:corvane"); do lv2info "$uri" >/dev/null; done
  # The completion script loads, and completes a preset name with a space.
  source /usr/share/bash-completion/bash_completion
  source /usr/share/bash-completion/completions/corvane
  COMP_WORDS=(corvane process --preset Snare); COMP_CWORD=3; COMP_LINE="corvane process --preset Snare"
  COMP_POINT=${#COMP_LINE}
  _corvane corvane Snare --preset
  [[ " ${COMPREPLY[*]} " == *"Snare\\ Attack+"* ]] || { echo "completion gave: ${COMPREPLY[*]}"; exit 1; }
  echo "man page, --version, demo, lv2ls, lv2info and completion work"
'

echo "== removing it"
$SUDO apt-get purge -y -qq corvane >/dev/null
left=0
while read -r f; do
  if [[ -e $f ]]; then echo "left behind: $f"; left=1; fi
done <<<"$FILES"
if [[ $left -ne 0 ]]; then exit 1; fi
echo "package installed, used and removed cleanly"
