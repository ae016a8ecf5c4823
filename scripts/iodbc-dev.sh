#!/usr/bin/env bash
# Unpacks the iODBC development files (headers) into a folder of the build:
# on Debian, libiodbc2-dev cannot be installed beside unixodbc-dev, which the
# default build needs, so it is downloaded and unpacked instead of installed.
# The iODBC library itself (libiodbc2) installs beside unixODBC.
#   scripts/iodbc-dev.sh DIR     # then: cmake -DQUILLET_IODBC_ROOT=DIR ...
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1

QUILLET_SETUP_EXTRAS="libiodbc2" scripts/setup.sh
[ -f "$target/usr/include/iodbc/iodbcext.h" ] && exit 0
download=$(mktemp -d)
trap 'rm -rf "$download"' EXIT
chmod 755 "$download"
if ! (cd "$download" && apt-get download -qq libiodbc2-dev 2>/dev/null); then
    apt-get update -qq
    (cd "$download" && apt-get download -qq libiodbc2-dev 2>/dev/null)
fi
mkdir -p "$target"
dpkg -x "$download"/libiodbc2-dev_*.deb "$target"
