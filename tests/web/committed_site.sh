#!/bin/sh
# docs/ is the site this tree makes: each file the page's build makes in SITE
# (build-web/site/) the same bytes in DOCS, and DOCS/download/ the files its
# SHA256SUMS lists, those of scripts/package's SHA256SUMS in DIST but the page
# (when given: where the package tests' .debs were made).
# Usage: committed_site.sh SITE DOCS [DIST]
site=$1 docs=$2 dist=${3:-}
status=0
for file in "$site"/*; do
  if ! cmp -s "$file" "$docs/${file##*/}"; then
    echo "docs/${file##*/} is not $file"
    status=1
  fi
done
listed=$(cut -d' ' -f3 "$docs/download/SHA256SUMS"; echo SHA256SUMS)
if [ "$(ls "$docs/download" | LC_ALL=C sort)" != "$(echo "$listed" | LC_ALL=C sort)" ] ||
  ! (cd "$docs/download" && sha256sum --quiet --strict -c SHA256SUMS); then
  echo "docs/download/ holds other files than its SHA256SUMS lists"
  status=1
fi
if [ -n "$dist" ] && ! grep -v -- '-web\.html$' "$dist/SHA256SUMS" | cmp -s - "$docs/download/SHA256SUMS"; then
  echo "docs/download/ is not what scripts/package made in $dist"
  status=1
fi
if [ $status != 0 ]; then
  echo "refresh the site with: scripts/package --docs"
fi
exit $status
