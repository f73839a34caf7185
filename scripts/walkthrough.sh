#!/usr/bin/env bash
# A walk through the browser in a real X window, as an office worker would click it:
# search, a header border dragged, layouts saved, loaded and deleted, the column
# chooser, sort clicks, export, print preview and PDF. It starts its own X server
# (Xvfb, with openbox for title bars), drives the browser with xdotool and writes a
# screenshot after every step to out/walkthrough/, with the exported file and the
# PDF's first and last page beside them. Not part of CI: look at the pictures.
#
#   scripts/walkthrough.sh [BUILD_DIR]      (default build)
#
# The clicks go to screen positions of a 1240×800 window at a fixed place; they fit
# the sample table as vmbgrid-sampledb writes it (10 000 rows, seed 1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=out/walkthrough
display=${WALK_DISPLAY:-:77}

# What the walk needs; installed when missing (as root, or through sudo).
need=()
for tool in Xvfb:xvfb xdotool:xdotool import:imagemagick openbox:openbox pdftoppm:poppler-utils \
  xwininfo:x11-utils; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y --no-install-recommends "${need[@]}"
fi

browser=$build/apps/browser/vmbgrid-browser
sampledb=$build/tools/sampledb/vmbgrid-sampledb
if [ ! -x "$browser" ] || [ ! -x "$sampledb" ]; then
  cmake --build "$build" --target vmbgrid-browser vmbgrid-sampledb
fi

rm -rf "$out"
mkdir -p "$out/config"
"$sampledb" --rows 10000 --seed 1 --out "$out/kunden.db" >/dev/null
abs=$(cd "$out" && pwd)

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$out/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# The browser's settings and the file dialogs' last folder stay inside out/.
XDG_CONFIG_HOME=$abs/config LANG=de_DE.UTF-8 \
  "$browser" --db "$out/kunden.db" --user walk >"$out/browser.log" 2>&1 &
browser_pid=$!
pids+=("$browser_pid")

window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "VMBGrid-Browser" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "Das Browserfenster erscheint nicht (siehe $out/browser.log)." >&2; exit 1; }
xdotool windowmove "$window" 10 40
xdotool windowsize "$window" 1240 800
sleep 1.5

step=0
shot() {  # shot NAME: the whole screen after the last step has settled
  sleep "${2:-1}"
  step=$((step + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$out" "$step" "$1")
  import -window root "$file"
  echo "$file"
}
alive() {
  kill -0 "$browser_pid" 2>/dev/null || { echo "Der Browser ist beendet (siehe $out/browser.log)." >&2; exit 1; }
}
keys() { xdotool key --delay 120 "$@"; }
typed() { xdotool type --delay 40 "$1"; }
click() { xdotool mousemove "$1" "$2" click 1; }
drag() {  # drag X1 Y1 X2 Y2: pressed, one quick move, released
  xdotool mousemove "$1" "$2" mousedown 1
  xdotool mousemove "$3" "$4" mouseup 1
}
# Header row and column borders of the data grid in the window's place; everything
# right of Vorname moves by the 90 pixels Vorname is widened.
header=85
vorname_right=268 wider=90
plz_mid=$((488 + wider)) umsatz_left=$((681 + wider)) umsatz_right=$((801 + wider))

shot start 0.5

# Search: the cell above Name, "M*", Enter.
click 95 66
typed "M*"
keys Return
shot search-M

# Header borders dragged quickly: Vorname wider, Umsatz far too narrow for its total.
drag "$vorname_right" "$header" $((vorname_right + wider)) "$header"
shot vorname-widened
drag "$umsatz_right" "$header" $((umsatz_right - 80)) "$header"
shot umsatz-narrowed
alive

# Layouts: "Kompakt" saved through "Spalteneinstellungen verwalten ...".
keys alt+e v
sleep 1
typed "Kompakt"
keys alt+s
shot layout-kompakt-saved
keys Escape

# The column chooser ("Spalten verwalten", third in the menu once a layout exists):
# Straße and PLZ hidden.
keys alt+e Down Down Return
sleep 1
chooser=$(xdotool search --onlyvisible --name "Verwalten der Spalten" | head -1)
shot column-chooser 0.3
xdotool mousemove --window "$chooser" 18 92 click 1
xdotool mousemove --window "$chooser" 18 118 click 1
xdotool mousemove --window "$chooser" 150 171 click 1
shot columns-hidden
alive

# "OhneAdresse" saved, then "Kompakt" loaded from "Spalteneinstellungen laden".
keys alt+e v
sleep 1
keys ctrl+a
typed "OhneAdresse"
keys alt+s
sleep 0.5
keys Escape
keys alt+e Right
shot layout-menu 0.5
keys Return
shot kompakt-loaded
alive

# "OhneAdresse" deleted: the question first, then Ja.
keys alt+e v
sleep 1
keys ctrl+a
typed "OhneAdresse"
keys alt+l
shot delete-question
keys alt+j
shot layout-deleted
keys Escape

# Sort clicks: Umsatz ascending, then descending, then PLZ as the second sort column.
click $((umsatz_left + 20)) "$header"
shot sort-umsatz-ascending 1.5
click $((umsatz_left + 20)) "$header"
shot sort-umsatz-descending 1.5
xdotool keydown ctrl
click "$plz_mid" "$header"
xdotool keyup ctrl
shot sort-plz-second 1.5
alive

# Export through the German file dialog.
keys ctrl+e
shot export-dialog
typed "$abs/export.txt"
keys Return
shot exported 1.5

# Print preview, then the PDF.
keys alt+d v
shot preview 3
keys Escape
keys alt+d p
shot pdf-dialog
typed "$abs/kunden.pdf"
keys Return
shot pdf-saved 4
alive

# F1: the search help.
click 95 66
keys F1
shot search-help
keys Escape

keys ctrl+q
sleep 1

if [ -f "$out/kunden.pdf" ]; then
  pages=$(pdfinfo "$out/kunden.pdf" | awk '/^Pages:/ {print $2}')
  pdftoppm -r 70 -png -f 1 -l 1 "$out/kunden.pdf" "$out/pdf-first"
  pdftoppm -r 70 -png -f "$pages" -l "$pages" "$out/kunden.pdf" "$out/pdf-last"
  echo "PDF: $pages Seiten"
fi
[ -f "$out/export.txt" ] && echo "Export: $(($(wc -l <"$out/export.txt") - 1)) Zeilen"
echo "Bildschirmfotos in $out/"
