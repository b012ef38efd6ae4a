#!/usr/bin/env bash
# Lays out the sample content in a platform root:
#   C:\Programme\Starvane7\ stands for the host program's folder,
#   C:\Programme\Starvane7\Content\ holds NUX.INI, the UI folder with its cursors and the
#   reference window's skin (Frames\frame.ads, loose and as Frames.nux), the pictures of the
#   windows' controls (make_pictures.py; title pictures loose, the rest in Controls.nux), HTML and the
#   content database (Data\Content.mdb),
#   C:\Programme\Starvane7\Controls\ the image control's server file,
#   and the registry entries (also left as sample.reg) point the library at NUX.INI and
#   register the image control.
# Usage: build.sh <platform-root> <build-folder>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="${1:?usage: build.sh <platform-root> <build-folder>}"
build="${2:?usage: build.sh <platform-root> <build-folder>}"
content="$root/drive_c/Programme/Starvane7/Content"

mkdir -p "$content/UI/Cursor" "$content/HTML" "$content/Data" "$root/drive_c/Programme/Starvane7/UserData"
cp "$here/content/NUX.INI" "$content/NUX.INI"
# One template for each template code of the pages, with the styles of the marks.
cp "$here"/content/HTML/*.htm "$content/HTML/"
# The pictures the big-picture window shows.
mkdir -p "$content/HTML/pics"
cp "$here"/content/HTML/pics/*.jpg "$content/HTML/pics/"
python3 "$here/make_cursors.py" "$content/UI/Cursor"
# The skin of the reference window, loose and packed as the ".nux" archive beside it (protected
# with the library's archive password).
python3 "$here/make_skin.py" "$content/UI/Frames"
rm -f "$content/UI/Frames.nux"
(cd "$content/UI/Frames" && zip -q -X -9 -P QuietOwlsDance ../Frames.nux frame.ads top.bmp bottom.bmp left.bmp right.bmp)
# The pictures of the windows' controls: the title pictures loose in the UI folder, the buttons,
# tabs, check boxes and window pictures packed as UI\Controls.nux (no loose copies, so the demo
# reads them from the archive).
rm -rf "$content/UI/Controls" "$content/UI/Controls.nux"
python3 "$here/make_pictures.py" "$content/UI"
(cd "$content/UI/Controls" && zip -q -X -9 -P QuietOwlsDance ../Controls.nux *.bmp)
rm -rf "$content/UI/Controls"
control="$(ls "$build"/tools/sample-content/libZrImageCtrl.so.*.*.*.* | head -1)"
NUX_PLATFORM_ROOT="$root" "$build/tools/sample-content/sample-content" 'C:\Programme\Starvane7\Content' "$control"
