# Sourced by the harness scripts: the environment every Windows program of the tests runs in.
# Needs WINE_BUILD_DIR (the build folder that owns the prefix and the session).
: "${WINE_BUILD_DIR:?WINE_BUILD_DIR must name the build folder}"
# Wine wants an absolute prefix; the session files are found the same way from any folder.
WINE_BUILD_DIR=$(realpath -m "$WINE_BUILD_DIR")
export WINE_BUILD_DIR
export WINE_SESSION_DIR=$WINE_BUILD_DIR/wine-session
export WINEPREFIX=$WINE_BUILD_DIR/wineprefix
export WINEARCH=win64
# Code page 936 needs a generated zh_CN.UTF-8 locale (tools/install-dependencies.sh makes it).
export LC_ALL=zh_CN.UTF-8
export LANG=zh_CN.UTF-8
unset LANGUAGE
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: the tests need neither, and their installers would pop up dialogs. No
# menu builder either: it writes desktop entries for the host.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export SCREENSHOT_DIR=$WINE_BUILD_DIR/screenshots
if [ -f "$WINE_SESSION_DIR/display" ]; then
    DISPLAY=$(cat "$WINE_SESSION_DIR/display")
    export DISPLAY
    unset WAYLAND_DISPLAY
fi
