#!/usr/bin/env bash
# Checks set-up's reading of dpkg and apt (scripts/lib/debian-packages.bash,
# given as $1) over stand-ins for dpkg, dpkg-query, apt-get and apt-cache that
# answer as Debian 12's do: which packages count as missing, and the counts
# and sizes it reports for an install with an upgrade, a package of another
# architecture and archives already in apt's cache; and that the apt log of a
# run keeps each of its apt calls.
set -euo pipefail
library=$1
fakes=$(mktemp -d)
trap 'rm -rf "$fakes"' EXIT
failures=0

expect() {
  if [[ $2 != "$3" ]]; then
    echo "$1: expected '$3', got '$2'"
    failures=$((failures + 1))
  fi
}

fake() {
  printf '#!/usr/bin/env bash\n%s\n' "$2" >"$fakes/$1"
  chmod +x "$fakes/$1"
}

fake dpkg 'echo amd64'
# A native copy of "native", only an arm64 copy of "foreign", "shared" for
# all, "removed" known but not installed.
fake dpkg-query 'case ${@: -1} in
  native) echo "installed amd64" ;;
  foreign) echo "installed arm64" ;;
  shared) echo "installed all" ;;
  removed) echo "config-files amd64" ;;
  *) exit 1 ;;
esac'
# "old" is upgraded, "lib" comes for arm64, "tool" is in apt's cache.
fake apt-get 'case " $* " in
  *" nosuch "*) exit 100 ;;
  *" update "*) echo "Reading package lists..." ;;
  *" -y "*) echo "Setting up ${@: -1}" ;;
  *" -s "*)
    echo "NOTE: This is only a simulation!"
    echo "Inst old [1.0-1] (1.0-2 Debian:12.11/stable [amd64])"
    echo "Inst lib:arm64 (2.3-1 Debian:12.11/stable [arm64])"
    echo "Inst tool (0.9 Debian:12.11/stable [all])"
    echo "Conf old (1.0-2 Debian:12.11/stable [amd64])" ;;
  *" --print-uris "*)
    echo "'"'"'http://deb.example/old_1.0-2_amd64.deb'"'"' old_1.0-2_amd64.deb 1500000 SHA256:0"
    echo "'"'"'http://deb.example/lib_2.3-1_arm64.deb'"'"' lib_2.3-1_arm64.deb 250000 SHA256:0" ;;
esac'
# Answers only for the versions apt-get chose, each by name, architecture and version.
fake apt-cache 'shift 2
[[ "$*" == "old:amd64=1.0-2 lib:arm64=2.3-1 tool:all=0.9" ]] || exit 1
printf "Package: old\nInstalled-Size: 4000\nSize: 1500000\n\n"
printf "Package: lib\nInstalled-Size: 1000\nSize: 250000\n\n"
printf "Package: tool\nInstalled-Size: 24\nSize: 8000000\n"'

PATH=$fakes:$PATH
# shellcheck source=scripts/lib/debian-packages.bash
source "$library"

expect "missing, native architecture unless named" \
  "$(missingPackages native foreign shared removed absent foreign:arm64 native:arm64 | xargs)" \
  "foreign removed absent native:arm64"
expect "plan: count, size, to fetch, their size, unpacked" \
  "$(installPlan old lib:arm64 tool)" "3 9750000 2 1750000 5144576"
expect "plan of a name apt does not know fails" "$(installPlan nosuch || echo failed)" failed
expect "sizes in apt's units" "$(sizeText 96000), $(sizeText 8500000), $(sizeText 146400000)" \
  "96 kB, 8.5 MB, 146 MB"

# Two installs in one run, in a folder with a log from an earlier run.
needRoot() { :; }
sudo=()
cd "$fakes"
mkdir build
echo "an earlier run" >build/setup-apt.log
installMissing "the tool" tool >/dev/null
installMissing "the library" lib >/dev/null
expect "the run's apt log: each call after a line naming its step, the earlier run's gone" \
  "$(grep -oE '^(==== apt-get [a-z]+|Setting up.*|Reading.*|an earlier.*)' build/setup-apt.log | xargs)" \
  "==== apt-get update Reading package lists... ==== apt-get install Setting up tool ==== apt-get update Reading package lists... ==== apt-get install Setting up lib"

if ((failures)); then
  exit 1
fi
echo "debian-packages.bash: all checks passed"
