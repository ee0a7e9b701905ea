#!/bin/sh
# lint-package.sh BUILD_DIR: lintian on the newest tallyer_*.deb that `make package` left in
# BUILD_DIR. Any error or warning fails; informational notes do not. Exits 77 (the test's skip
# code) when no package has been built or lintian is not installed.
deb=$(ls -t "$1"/tallyer_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
    echo "no package in $1: run make package first"
    exit 77
fi
if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed"
    exit 77
fi
echo "lintian $deb"
exec lintian --fail-on error,warning "$deb"
