#!/bin/sh
# Installs what building, checking and installing the Debian package needs on Debian 12,
# beside what scripts/setup-debian.sh installs for building.  Its output goes to the
# error stream: scripts/package.sh prints only the package's path.
exec sh "$(dirname "$0")/setup-debian.sh" dpkg-dev file lintian desktop-file-utils appstream \
    libcap2-bin gzip >&2
