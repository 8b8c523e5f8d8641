#!/usr/bin/env bash
# Runs a command with two serial lines, each a pty pair linked as two COM
# ports of a Wine prefix (made by cmake/pty-com.sh, which also removes
# them). The command finds the ports in
#   ZID_LINE1_DRIVER ZID_LINE1_PANEL   and   ZID_LINE2_DRIVER ZID_LINE2_PANEL.
#   two-lines.sh PREFIX command [args...]
set -u
pty=$(cd "$(dirname "$0")/../../cmake" && pwd)/pty-com.sh
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
prefix=$1; shift
case "${ZID_TWO_LINES_STAGE:-}" in
  "")
    ZID_TWO_LINES_STAGE=first exec bash "$pty" "$prefix" bash "$self" "$prefix" "$@" ;;
  first)
    export ZID_LINE1_DRIVER=$ZID_DRIVER_COM ZID_LINE1_PANEL=$ZID_PANEL_COM
    ZID_TWO_LINES_STAGE=second exec bash "$pty" "$prefix" bash "$self" "$prefix" "$@" ;;
  second)
    export ZID_LINE2_DRIVER=$ZID_DRIVER_COM ZID_LINE2_PANEL=$ZID_PANEL_COM
    unset ZID_TWO_LINES_STAGE
    exec "$@" ;;
esac
