#!/usr/bin/env bash
# lintian over the package: errors fail, warnings and notes are shown.
. "$(dirname "$0")/lib.sh"
command -v lintian >/dev/null || fail "lintian is missing: run scripts/install-deps.sh"
echo "== lintian $(basename "$DEB")"
status=0
lintian --fail-on error --display-info --tag-display-limit 0 "$DEB" || status=$?
[ "$status" = 0 ] || fail "lintian found errors (status $status)"
echo "PASS: lintian found no errors"
