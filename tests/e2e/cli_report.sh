#!/usr/bin/env bash
# kestrel-cli report: an HTML and a PDF report of a saved configuration, naming the changed
# setting by its page and caption and the document by the SHA-256 of its bytes.
#   cli_report.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/lib/setup.bash" "$@"

"$cli" offline --device 11 --save base.kst >/dev/null
"$cli" set base.kst 232CTS=1 --output=site.kst >/dev/null

"$cli" report site.kst --output report.html >/dev/null || fail "html report exited with $?"
digest=$(sha256sum site.kst | cut -d' ' -f1)
grep -q "<th>SHA-256</th><td>$digest</td>" report.html || fail "report does not name the document's digest"
grep -q '<td>Communications</td><td>CTS Flow Control</td><td>232CTS</td><td>1</td><td>0</td>' report.html \
    || fail "the changed setting is missing"
! grep -q '232BDR' report.html || fail "a setting at its default was reported"

"$cli" report site.kst --output=report.pdf >/dev/null 2>&1 || fail "pdf report exited with $?"
[ "$(head -c 5 report.pdf)" = "%PDF-" ] || fail "report.pdf is not a PDF"

# A wrong kind of file is a usage error; a place that cannot hold a file is a failure that
# leaves the file in the way untouched.
status=0; "$cli" report site.kst --output report.txt >/dev/null 2>&1 || status=$?
[ "$status" -eq 3 ] || fail "report.txt: exit $status, expected 3"
before=$(sha256sum base.kst)
status=0; "$cli" report site.kst --output base.kst/report.html >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "unwritable place: exit $status, expected 1"
[ "$(sha256sum base.kst)" = "$before" ] || fail "base.kst changed"
echo "cli_report: ok"
