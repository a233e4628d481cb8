#!/bin/sh
# Builds the release configuration and the Debian package of Tessovar NMS, and prints the
# path of the .deb (everything else goes to standard error).
#
#   scripts/package.sh
#   sudo apt-get install ./build/release/tessovar-nms_4.5.0-1_amd64.deb
set -e
cd "$(dirname "$0")/.."
{
    sh scripts/setup-debian.sh
    sh scripts/setup-packaging.sh
} >&2
# The package installs below /usr, and the program knows its prefix: an installed copy
# never writes beside itself.  Debian's hardening flags come from dpkg-buildflags (its
# -g and -O2 left out: the release configuration optimises, and the package is stripped).
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CPPFLAGS_MAINT_STRIP="" DEB_CXXFLAGS_MAINT_STRIP="-g -O2"
cmake --preset release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build --preset release >&2
version=$(sed -n '1s/^tessovar-nms (\([^)]*\)).*/\1/p' packaging/debian/changelog)
rm -f build/release/tessovar-nms_*.deb
(cd build/release && cpack -G DEB) >&2
deb="build/release/tessovar-nms_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "package.sh: $deb was not made" >&2; exit 1; }
echo "$(pwd)/$deb"
