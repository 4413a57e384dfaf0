#!/usr/bin/env bash
# Builds the Debian package and checks it with lintian.
#
#   scripts/package.sh [BUILD_DIR]
#
# With no argument: a clean build of what the package holds in
# build/package (Release). With BUILD_DIR: packages that existing build (CI
# passes its plain build, so nothing is built twice). The package is
# written to BUILD_DIR/corvane_<version>_<arch>.deb; its path is the last
# line printed. lintian must report no error and no warning.
set -euo pipefail
cd "$(dirname "$0")/.."

DIR=${1:-}
if [[ -z $DIR ]]; then
  DIR=build/package
  rm -rf "$DIR"
  cmake -S . -B "$DIR" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCH=OFF >/dev/null
fi
# The package documents itself as Debian wants; the targets are those the
# install rules need.
cmake -S . -B "$DIR" -DCORVANE_DEBIAN_DOCS=ON >/dev/null
cmake --build "$DIR" -j "$(nproc)" --target corvane corvane_lv2_bundle corvane_man_page corvane_icons \
  corvane_debian_changelog
rm -f "$DIR"/corvane_*.deb
(cd "$DIR" && cpack -G DEB >/dev/null)
DEB=$(ls "$DIR"/corvane_*.deb)
lintian --fail-on error,warning --display-level '>=warning' "$DEB"
echo "$DEB"
