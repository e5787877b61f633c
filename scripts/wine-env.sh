# Sourced by the test scripts: decides how Windows programs run under Wine.
# The product is the 32-bit build; when this machine's kernel cannot run
# 32-bit code (Wine's 32-bit loader fails), the tests run the 64-bit twin of
# the same sources with Wine's 64-bit loader instead.
FILTERS_WINE=""
FILTERS_WINDOWS_PRESET=""
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  FILTERS_WINE=/usr/lib/wine/wine
  FILTERS_WINDOWS_PRESET=windows
elif [ -x /usr/lib/wine/wine64 ] && /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
  FILTERS_WINE=/usr/lib/wine/wine64
  FILTERS_WINDOWS_PRESET=windows64
fi
if [ -x /usr/lib/wine/wineserver ]; then FILTERS_WINESERVER=/usr/lib/wine/wineserver; else FILTERS_WINESERVER=wineserver; fi
export FILTERS_WINE FILTERS_WINDOWS_PRESET FILTERS_WINESERVER
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
