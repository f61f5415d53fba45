#!/usr/bin/env bash
# The HOME and TMPDIR of a run of the windows, package and web tests, in $2:
# "make" makes both empty; "check" lists what is left in them, Mesa's shader
# cache aside, and fails if anything is.
set -euo pipefail
action=$1
run=$2

case $action in
  make)
    rm -rf "$run"
    mkdir -p "$run/home" "$run/tmp"
    ;;
  check)
    cache=$run/home/.cache
    left=$(find "$run/home" "$run/tmp" -mindepth 1 \
      -path "$cache/mesa_shader_cache" -prune -o ! -path "$cache" -print)
    if [[ -n $left ]]; then
      echo "The windows, package and web tests left these in the HOME and TMPDIR they ran with:"
      echo "$left"
      exit 1
    fi
    echo "Nothing left in $run/home or $run/tmp but Mesa's shader cache."
    ;;
  *)
    echo "usage: run_folders.sh make|check FOLDER" >&2
    exit 2
    ;;
esac
