#!/usr/bin/env bash
# Writes the manual page of a program from its own help texts, so that the
# two cannot drift apart: manpage.sh tovrin|dorvi PROGRAM VERSION OUT
#   tovrin(1): `tovrin --help` (synopsis and description) and `tovrin help
#              COMMAND` for every command it lists (a section each);
#   dorvi(1):  the usage dorvi prints when given an argument.
# The help texts are set as they are printed (no filling), escaped for roff.
set -eu
name=$1 program=$2 version=$3 out=$4
# The list of commands, as the bash completion finds it.
. "$(dirname "$0")/../completion/tovrin"

# roff: backslashes and hyphen-minus as themselves, no line read as a
# request.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\\&&/"; }

# The lines of a help text before the first empty one (the usage), and
# the rest.
head_part() { sed '/^$/q' | sed '/^$/d'; }
tail_part() { sed '1,/^$/d'; }

page() {
  case $name in
  tovrin) summary='find, check, normalise, translate, compare and sort Bible citations' ;;
  dorvi) summary='highlight the Bible citations of nztexty.tex (the driver)' ;;
  esac
  upper=$(echo "$name" | tr a-z A-Z)
  echo ".TH $upper 1 \"\" \"tovrin $version\" \"User Commands\""
  echo ".SH NAME"
  echo "$name \\- $summary"
  case $name in
  tovrin)
    help=$("$program" --help)
    echo ".SH SYNOPSIS"
    echo ".nf"
    echo "$help" | head_part | roff
    echo ".fi"
    echo ".SH DESCRIPTION"
    echo ".nf"
    echo "$help" | tail_part | roff
    echo ".fi"
    echo ".SH COMMANDS"
    for command in $(_tovrin_commands "$program"); do
      echo ".SS $command"
      echo ".nf"
      "$program" help "$command" | roff
      echo ".fi"
    done
    echo ".SH SEE ALSO"
    echo "dorvi(1)"
    ;;
  dorvi)
    # dorvi prints its usage on standard error and exits 2.
    help=$("$program" --help 2>&1 || true)
    echo ".SH SYNOPSIS"
    echo ".nf"
    echo "$help" | sed -n 1p | roff
    echo ".fi"
    echo ".SH DESCRIPTION"
    echo ".nf"
    echo "$help" | sed 1d | roff
    echo ".fi"
    echo ".SH SEE ALSO"
    echo "tovrin(1)"
    ;;
  esac
}

page >"$out.tmp"
mv "$out.tmp" "$out"
# Installed compressed, as Debian keeps manual pages (no name or time in
# the header, so that the same page gives the same bytes).
gzip -9 -n -c "$out" >"$out.gz"
