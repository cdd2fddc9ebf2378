#!/usr/bin/env bash
# The saver headless on the virtual clock, with captures: display mode from the default settings,
# the bonnet, trunk lid and doors opening and closing, the skeleton view and its timeout, the
# viewpoint keys and the next run starting where the last one ended, a run with a data file
# missing, and the other modes ending cleanly (the cases in saver_cases.sh).
#   saver_headless.sh SAVER DATA_FOLDER [SNAPSHOT_FOLDER]
# With a third argument the captured frames are kept there (to look at them).
set -euo pipefail
target=headless
saver=$1
data=$(cd "$2" && pwd)
keep=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
LOG=$work/log
saver_setup "$target" "$work"
source "$here/saver/saver_cases.sh"
echo "e2e_saver_headless: all passed"
