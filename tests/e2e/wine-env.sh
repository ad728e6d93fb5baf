# Shared by wine-run and wine-prefix: the Wine settings every test run uses.
# Sourced, not run.

# Quiet, no Mono/Gecko installers, and no debugger dialog after a crash
# (it would wait for an answer and hang the test).
export WINEDEBUG=-all
# REMENDO_WINE_DLL_OVERRIDES adds a test's own (Wine reads them at the start
# of each program from the environment it is started with, here).
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${REMENDO_WINE_DLL_OVERRIDES:+;$REMENDO_WINE_DLL_OVERRIDES}"
# Headless: the prefixes use Wine's null graphics driver, never an X display.
unset DISPLAY WAYLAND_DISPLAY

# The 64-bit loader runs 64-bit programs even when wine32 is not installed
# (/usr/bin/wine then complains on every start); REMENDO_WINE chooses another.
if [ -z "${REMENDO_WINE:-}" ]; then
  if [ -x /usr/lib/wine/wine64 ]; then
    REMENDO_WINE=/usr/lib/wine/wine64
  else
    REMENDO_WINE=wine
  fi
fi
if [ -z "${REMENDO_WINESERVER:-}" ]; then
  if [ -x /usr/lib/wine/wineserver ]; then
    REMENDO_WINESERVER=/usr/lib/wine/wineserver
  else
    REMENDO_WINESERVER=wineserver
  fi
fi

# Some kernels (virtual machines among them) cannot run 32-bit programs at
# all, so the wine32 loader behind /usr/bin/wine cannot start. The tests of the
# i686 exe then exit with the code ctest reports as a skip, REMENDO_WINE_SKIPPED
# (run by hand, without it, they fail); a Wine that fails to start for any other
# reason still fails the test.
# Without Debian's wine32:i386 (its i386 packages can be out of step on a
# mirror), /usr/bin/wine falls back to the 64-bit loader, which cannot start a
# 32-bit program: say so once, as a skip too.
exit_skipped_unless_wine_starts() {
  local out
  if [ "$REMENDO_WINE" = wine ] && [ -x /usr/lib/wine/wine64 ] && [ ! -x /usr/lib/wine/wine ]; then
    echo "SKIPPED: the 32-bit Wine is not installed (as root: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386)" >&2
    exit "${REMENDO_WINE_SKIPPED:-1}"
  fi
  out=$(LC_ALL=C "$REMENDO_WINE" --version 2>&1) && return 0
  if grep -q 'Exec format error' <<<"$out"; then
    echo "SKIPPED: this machine's kernel cannot run $REMENDO_WINE's loader (a 32-bit program): $out" >&2
    exit "${REMENDO_WINE_SKIPPED:-1}"
  fi
}
