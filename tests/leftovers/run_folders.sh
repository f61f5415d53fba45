#!/usr/bin/env bash
# The HOME and TMPDIR of a run of the windows, package and web tests, in $2:
# "make" makes both empty and notes what the real home's .cache holds; "check"
# lists what is left in them, Mesa's shader cache aside, and what has come
# into the real .cache, and fails if anything has.
#
# The real .cache is the password file's home's (Mesa's when neither
# MESA_SHADER_CACHE_DIR nor XDG_CACHE_HOME is set, whatever HOME says) and
# HOME's, as this script finds them. Other programs on the machine write into
# the caches already there at any time, so only what is new at its top counts:
# a cache that a program of the run made there, finding the real home past the
# HOME it was given. A cache, once made, stays, so another program can add one
# during a run only once per machine.
set -euo pipefail
action=$1
run=$2

realCaches() {
  {
    echo "$(getent passwd "$(id -u)" | cut -d: -f6)/.cache"
    echo "$HOME/.cache"
  } | sort -u | while read -r cache; do
    if [[ -d $cache ]]; then
      find "$cache" -mindepth 1 -maxdepth 1
    else
      echo "$cache"
    fi
  done | sort
}

case $action in
  make)
    rm -rf "$run"
    mkdir -p "$run/home" "$run/tmp"
    realCaches >"$run/real-cache-before"
    ;;
  check)
    cache=$run/home/.cache
    left=$(find "$run/home" "$run/tmp" -mindepth 1 \
      -path "$cache/mesa_shader_cache" -prune -o ! -path "$cache" -print)
    if [[ -n $left ]]; then
      echo "The windows, package and web tests left these in the HOME and TMPDIR they ran with:"
      echo "$left"
    fi
    came=$(realCaches | comm -13 "$run/real-cache-before" -)
    if [[ -n $came ]]; then
      echo "These came into the real home's .cache while the windows, package and web tests ran:"
      echo "$came"
    fi
    if [[ -n $left$came ]]; then
      exit 1
    fi
    echo "Nothing left in $run/home or $run/tmp but Mesa's shader cache, nor new in the real .cache."
    ;;
  *)
    echo "usage: run_folders.sh make|check FOLDER" >&2
    exit 2
    ;;
esac
