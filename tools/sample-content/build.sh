#!/usr/bin/env bash
# Lays out the sample content in a platform root:
#   C:\Programme\Starvane7\svhost.exe stands for the host program's folder,
#   C:\Programme\Starvane7\Content\ holds NUX.INI, the UI folder with its cursors, HTML and data,
#   and sample.reg holds the registry entries that point the library at NUX.INI.
# Usage: build.sh <platform-root>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="${1:?usage: build.sh <platform-root>}"
content="$root/drive_c/Programme/Starvane7/Content"

mkdir -p "$content/UI/Cursor" "$content/HTML" "$content/Data" "$root/drive_c/Programme/Starvane7/UserData"
cp "$here/content/NUX.INI" "$content/NUX.INI"
python3 "$here/make_cursors.py" "$content/UI/Cursor"

cat > "$root/sample.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\NUX\Engine]
"enabled"="1"
"INI"="C:\\Programme\\Starvane7\\Content"
REG
