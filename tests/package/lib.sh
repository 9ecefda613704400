# Shared set-up of the package tests: $1 is the folder CPack wrote the package into, $2 the
# version it must carry. Gives $DEB and an unpacked copy in $ROOT.
set -euo pipefail
DIR=$1
VERSION=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

shopt -s nullglob
debs=("$DIR"/tallowquince_"$VERSION"_*.deb)
shopt -u nullglob
[ ${#debs[@]} = 1 ] || fail "expected one tallowquince_${VERSION}_*.deb in $DIR, found: ${debs[*]:-none}"
DEB=${debs[0]}
ROOT=$WORK/root
dpkg-deb -x "$DEB" "$ROOT"
