#!/bin/sh
# Builds lumaprism.1 from the program's own help texts: the main --help through
# help2man, and each long-option command's --help as a section of its own.
# Usage: make-man.sh PROGRAM OUTPUT
set -eu
program=$1
output=$2
include=$output.h2m
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export LUMAPRISM_HOME="$home"
{
  echo "[NAME]"
  echo "lumaprism \\- picture editor and web-graphics optimizer"
  echo "[SYNOPSIS]"
  echo ".nf"
  "$program" --help | sed -n '/^Usage:/,/^$/p' | sed -e 's/^Usage: *//' -e 's/^ *//' -e 's/\\/\\\\/g'
  echo ".fi"
  echo "[COMMANDS]"
  for command in --convert --analyze --macro --macro-new --macro-show --optimize-site --thumbnails --vectorize; do
    echo ".SS $command"
    echo ".nf"
    "$program" "$command" --help | sed -e 's/\\/\\\\/g' -e 's/^\./\\\&./' -e "s/^'/\\\\\&'/"
    echo ".fi"
  done
  echo "[FILES]"
  echo "Error.log in the current folder: errors of the legacy batch jobs."
  echo ".br"
  echo "\$LUMAPRISM_HOME/TEMPLATE (else the XDG data folder): batch macros (.TPL)."
} > "$include"
help2man --no-info --no-discard-stderr --include="$include" --output="$output" "$program"
rm -f "$include"
