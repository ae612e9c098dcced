#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The floors of src/ point one way (docs/architecture.md), read from the
# #include lines: the portable core names no platform, the operating-system
# interfaces name nothing above core/base, and a Linux floor names only the
# floors below it. Each rule is a folder, the includes its files must not
# have (a Perl regular expression on what follows "#include"), and why.
set -euo pipefail

src="${VEXLAN_SOURCE_DIR:?}/src"
linux='"linux/'
posix='<(unistd|fcntl|iconv|langinfo|dirent|pthread|strings|locale|xlocale|dlfcn|poll|spawn|termios|pwd|grp)\.h>|<(sys|arpa|netinet)/'
win32='<(windows|winbase|winnls|wingdi|winuser|shlobj|shellapi|tchar|io|direct)\.h>'
others='<(Q|q[a-z0-9_]*\.h>)|<(cairo|cups/|fontconfig/|ft2build|freetype|hb[.-]|harfbuzz)'

rules=$(cat <<RULES
core            $others|$posix|$win32         Qt, cairo, CUPS, font or system headers in the portable core
core            $linux|"os/(posix|win32)/     the core names a platform or an implementation of os/
os              "core/(?!base/)|$linux        os/ names more of the core than core/base, or linux/
os/posix        "os/win32/                    one os/ implementation names another
linux/surface   "linux/(pdf|res|print|headless|shell)/   linux/surface names a floor above it
linux/pdf       "linux/(res|print|headless|shell)/       linux/pdf names a floor above it
linux/res       "linux/(print|headless|shell)/           linux/res names a floor above it
linux/print     "linux/(headless|shell)/                 linux/print names a floor above it
linux/headless  "linux/(res|shell)/                      linux/headless names the shell or the string table
RULES
)

failures=0
while read -r dir pattern why; do
    if [ ! -d "$src/$dir" ]; then
        echo "layering: FAIL: no folder src/$dir" >&2
        failures=$((failures + 1))
    elif hits=$(grep -rnP --include='*.h' --include='*.cpp' "^\\s*#\\s*include\\s*($pattern)" "$src/$dir"); then
        echo "layering: FAIL: $why:" >&2
        echo "${hits//$src\//src/}" >&2
        failures=$((failures + 1))
    fi
done <<<"$rules"

[ "$failures" -eq 0 ] || exit 1
echo "layering: all includes point down"
