# Sourced by scripts/setup: installs the Debian packages it is given that are
# not installed yet, and says beforehand what apt will install with them and
# how much that is, as apt computes it for this machine, and afterwards how
# long it took. The caller defines needRoot (root or sudo, or stop). apt's
# output goes to build/setup-apt.log (runApt).

# Prints, one a line, the packages named that are not installed. A name may
# carry an architecture (libglut-dev:arm64); a plain name means this machine's
# own architecture or "all", not an installed copy for another one.
missingPackages() {
  local package name arch native
  native=$(dpkg --print-architecture)
  for package in "$@"; do
    name=${package%%:*}
    arch=$native
    if [[ $package == *:* ]]; then
      arch=${package#*:}
    fi
    if ! dpkg-query -W -f='${db:Status-Status} ${Architecture}\n' "$name" 2>/dev/null |
      grep -qE "^installed ($arch|all)\$"; then
      echo "$package"
    fi
  done
}

# What installing the packages named would bring, from apt's own simulation
# and archive records: "COUNT SIZE TO_FETCH FETCH_SIZE UNPACKED", the number of
# packages apt installs with everything they pull in, the archives' size, how
# many of those apt still has to download and their size (the rest are in its
# cache already), and their installed size, in bytes. Fails when apt cannot
# resolve them (no package lists yet, or a name it does not know).
installPlan() {
  local plan versions fetch
  plan=$(LC_ALL=C apt-get install -s -qq --no-install-recommends "$@" 2>/dev/null) || return 1
  # Inst NAME[:ARCH] [OLD] (VERSION SUITE [ARCH])
  versions=$(awk '$1 == "Inst" {
      name = $2; sub(/:.*/, "", name)
      version = $0; sub(/^[^(]*\(/, "", version); sub(/ .*/, "", version)
      arch = $NF; gsub(/[][)]/, "", arch)
      print name ":" arch "=" version
    }' <<<"$plan")
  if [[ -z $versions ]]; then
    echo "0 0 0 0 0"
    return
  fi
  # --print-uris lists only the archives that are not in apt's cache.
  fetch=$(apt-get install --print-uris -qq --no-install-recommends "$@" 2>/dev/null |
    awk '{ count++; bytes += $3 } END { print count + 0, bytes + 0 }') || return 1
  # shellcheck disable=SC2086 # one word per package
  apt-cache show --no-all-versions $versions 2>/dev/null |
    awk -v fetch="$fetch" '
      /^Size:/ { count++; size += $2 }
      /^Installed-Size:/ { unpacked += $2 * 1024 }
      END { print count, size, fetch, unpacked }'
}

# "146 MB", "8.5 MB" or "96 kB" from bytes, in apt's own units (powers of 1000).
sizeText() {
  awk -v bytes="$1" 'BEGIN {
    if (bytes < 1e6) printf "%.0f kB", bytes / 1e3
    else if (bytes < 1e7) printf "%.1f MB", bytes / 1e6
    else printf "%.0f MB", bytes / 1e6
  }'
}

# "1 package", "12 packages": the count $1 and the noun $2.
countText() {
  if (($1 == 1)); then
    echo "1 $2"
  else
    echo "$1 $2s"
  fi
}

# Runs an apt command (after $1, a line naming the step) with its output added
# to build/setup-apt.log, after that line. The first call of a set-up run
# starts the log afresh, so it holds every apt call of the last run that made
# one. On failure it shows the log's end and stops.
aptLog=build/setup-apt.log
aptLogStarted=
runApt() {
  local step=$1
  shift
  mkdir -p "$(dirname "$aptLog")"
  if [[ -z $aptLogStarted ]]; then
    : >"$aptLog"
    aptLogStarted=yes
  fi
  printf '==== %s (%s)\n' "$step" "$(date -u '+%F %T UTC')" >>"$aptLog"
  if ! "$@" >>"$aptLog" 2>&1; then
    tail -n 15 "$aptLog" >&2
    echo "$step failed; the whole output is in $aptLog" >&2
    exit 1
  fi
}

# Installs those of the packages named (after $1, a line on what they are for)
# that are missing, through apt with no recommended packages.
installMissing() {
  local why=$1 missing plan count size fetchCount fetchSize unpacked started
  shift
  mapfile -t missing < <(missingPackages "$@")
  if ((${#missing[@]} == 0)); then
    return
  fi
  needRoot "Missing Debian packages ($why); as root, run: apt-get install --no-install-recommends ${missing[*]}"
  echo "Installing $(countText ${#missing[@]} "Debian package"): $why."
  echo "  ${missing[*]}"
  echo "  Updating apt's package lists first; apt's output goes to $aptLog."
  runApt "apt-get update, before installing $why" "${sudo[@]}" apt-get update
  if plan=$(installPlan "${missing[@]}"); then
    read -r count size fetchCount fetchSize unpacked <<<"$plan"
    echo -n "  With what they need, apt installs $(countText "$count" package): $(sizeText "$fetchSize") to download"
    if ((fetchCount < count)); then
      echo -n " ($((count - fetchCount)) of them, $(sizeText $((size - fetchSize))), are in apt's cache)"
    fi
    echo ", $(sizeText "$unpacked") once unpacked."
  fi
  started=$SECONDS
  runApt "apt-get install ${missing[*]}" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
  echo "Installed in $((SECONDS - started)) s."
}
