#!/bin/sh
# Runs PROGRAM OPTION and passes on what it prints in the forms that help2man reads: "Usage:",
# "  or:" before each further way of calling the program, and each example as a "$ " command.
# Usage: help-for-help2man.sh PROGRAM OPTION
set -eu
help=$("$1" "$2")
printf '%s\n' "$help" | sed \
  -e '1s/^usage: /Usage: /' \
  -e '/^Usage: /,/^$/s/^       \([^ ]\)/  or:  \1/' \
  -e '/^Examples:$/,/^$/s/^  \([^ ]\)/  $ \1/'
