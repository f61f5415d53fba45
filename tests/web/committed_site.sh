#!/bin/sh
# Usage: committed_site.sh SITE DOCS [DIST]. DOCS is the site this tree makes:
# SITE's files (build-web/site/) the same bytes, download/ the files its
# SHA256SUMS lists, which are scripts/package's sums in DIST but the page's.
cd "$2" || exit 1
for file in "$1"/*; do
  cmp -s "$file" "${file##*/}" || failed="$failed ${file##*/}"
done
listed=$(cut -d' ' -f3 download/SHA256SUMS; echo SHA256SUMS)
[ "$(ls download | LC_ALL=C sort)" = "$(echo "$listed" | LC_ALL=C sort)" ] &&
  (cd download && sha256sum --quiet --strict -c SHA256SUMS) || failed="$failed download/"
[ -z "$3" ] || grep -v -- '-web\.html$' "$3/SHA256SUMS" | cmp -s - download/SHA256SUMS ||
  failed="$failed download/SHA256SUMS"
[ -z "$failed" ] || echo "Not what this tree makes, in docs/:$failed; refresh with: scripts/package --docs"
[ -z "$failed" ]
