#!/usr/bin/env bash
# Proves the Debian package: builds it from the build directory, installs
# it with apt (dependencies and all), and runs the installed velmor-cli on
# the installed bridge example, which must come out at 0.97848 for every
# algorithm. Also checks that everything went under /usr and that the
# desktop's databases now offer Velmor for .dsm files. Needs root (or sudo).
# The package is removed again afterwards unless it was installed before.
#
#   scripts/package-check.sh [build-dir]     (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

fail() {
  echo "package-check: $*" >&2
  exit 1
}

cmake --build "$build" --target package > "$build/package.log" 2>&1 || { cat "$build/package.log"; fail "cpack failed"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb="$root/$build/package/velmor_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no package at $deb"

depends=$(dpkg-deb --field "$deb" Depends)
echo "package: $(basename "$deb"), Depends: $depends"
names=" $(tr ',' '\n' <<< "$depends" | awk '{print $1}' | tr '\n' ' ')"
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6charts6; do
  [[ "$names" == *" $library "* ]] || fail "Depends lacks $library"
done

installed_before=no
dpkg-query -W -f='${Status}' velmor 2>/dev/null | grep -q 'install ok installed' && installed_before=yes
remove() {
  if [ "$installed_before" = no ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq velmor > /dev/null || true
  fi
}
trap remove EXIT

DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --reinstall "$deb" > "$build/package-install.log" 2>&1 ||
  { cat "$build/package-install.log"; fail "apt-get could not install the package"; }

outside=$(dpkg -L velmor | grep -v -e '^/usr$' -e '^/usr/' -e '^/\.$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for file in /usr/bin/velmor /usr/bin/velmor-cli /usr/share/velmor/Velmor.txt /usr/share/velmor/examples/most.dsm \
            /usr/share/applications/velmor.desktop /usr/share/mime/packages/velmor.xml \
            /usr/share/icons/hicolor/scalable/apps/velmor.svg /usr/share/man/man1/velmor-cli.1.gz; do
  [ -f "$file" ] || fail "$file is not installed"
done

# From another folder, so that nothing of the repository can be read.
result=$(cd / && /usr/bin/velmor-cli /usr/share/velmor/examples/most.dsm) || fail "velmor-cli failed: $result"
echo "$result"
for algorithm in Abraham ENR NPR; do
  grep -Eq "^$algorithm +0[.,]97848 " <<< "$result" || fail "$algorithm did not compute 0.97848"
done
[ "$(/usr/bin/velmor-cli --version)" = "velmor-cli (Velmor) $version" ] || fail "velmor-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/velmor --version)" = "velmor (Velmor) $version" ] || fail "velmor --version"

# The package's triggers have brought the desktop's databases up to date.
grep -q ':application/x-velmor-structure:\*\.dsm$' /usr/share/mime/globs2 || fail "*.dsm is not a known type"
if command -v update-desktop-database > /dev/null; then
  grep -q '^application/x-velmor-structure=.*velmor.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "Velmor is not offered for .dsm files"
fi
echo "package-check: the package installs and computes the bridge example: ok"
