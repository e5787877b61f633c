# Sourced by the test scripts: finds the Wine that runs the Windows programs.
# The programs are 32-bit, so Wine's 32-bit loader must start; on a kernel
# without 32-bit support it does once scripts/install-deps.sh has handed i386
# executables to qemu through binfmt_misc. FILTERS_WINE stays empty when no
# Wine here can run them, and FILTERS_WINE_PROBLEM says why.
FILTERS_WINE=""
FILTERS_WINE_PROBLEM=""
if [ ! -x /usr/lib/wine/wine ]; then
  FILTERS_WINE_PROBLEM="Wine's 32-bit loader /usr/lib/wine/wine is not installed (package wine32:i386)"
elif ! filters_wine_version=$(/usr/lib/wine/wine --version 2>&1); then
  FILTERS_WINE_PROBLEM="Wine's 32-bit loader does not start: ${filters_wine_version:-no output}"
else
  FILTERS_WINE=/usr/lib/wine/wine
fi
unset filters_wine_version
if [ -x /usr/lib/wine/wineserver ]; then FILTERS_WINESERVER=/usr/lib/wine/wineserver; else FILTERS_WINESERVER=wineserver; fi
export FILTERS_WINE FILTERS_WINE_PROBLEM FILTERS_WINESERVER
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
