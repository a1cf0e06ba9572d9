#!/usr/bin/env bash
# Runs the Windows service (WINDOWS_SERVICE_EXE) under Wine in the test session with the given
# arguments, its output on ours: the service suite's SERVICE_UNDER_TEST for the Windows builds.
# exec keeps the process the suite started the one that runs the service.
set -euo pipefail
: "${WINDOWS_SERVICE_EXE:?WINDOWS_SERVICE_EXE must name HandwritingService.exe}"
: "${WINE_HARNESS_DIR:?WINE_HARNESS_DIR must name tests/win/harness}"
. "$WINE_HARNESS_DIR/wine-env.sh"
if ! bash "$WINE_HARNESS_DIR/session.sh" status >/dev/null 2>&1; then
    bash "$WINE_HARNESS_DIR/session.sh" start >&2
    . "$WINE_HARNESS_DIR/wine-env.sh"
fi
exec wine "$WINDOWS_SERVICE_EXE" "$@"
