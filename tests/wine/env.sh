# Environment every Wine run of the tests and the demo shares (sourced).
export WINEARCH=win64
export WINEDEBUG=-all
# No Gecko/Mono installers, and no menu entries on the host for shortcuts made inside.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# ANSI code page 936, as on a Chinese Windows.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# Every prefix sends its traffic to this loopback proxy; nothing listens there
# unless a test starts its bank server on it.
PELLIS_DEAD_PROXY=127.0.0.1:9
