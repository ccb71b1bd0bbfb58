#!/usr/bin/env bash
# Takes the preview picture of docs/report.md: the settings dialog of the bundled example as the
# resource report draws it, rendered by headless Chromium into docs/preview.png.
# TARVEX names the compiler to use (default build/tarvex).
set -euo pipefail
cd "$(dirname "$0")/.."
tarvex=$(realpath "${TARVEX:-build/tarvex}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd examples && "$tarvex" --html "$work/example.html" example.rc "$work/example.res" >/dev/null)
# The page in a frame moved so that the dialog's frame sits 8 pixels from the corner.
cat >"$work/view.html" <<'EOF'
<!DOCTYPE html><html><body style="margin:0;overflow:hidden">
<iframe id="page" src="example.html" style="position:absolute;border:0;width:1200px;height:4000px"></iframe>
<script>
document.getElementById('page').addEventListener('load', function() {
  var dialog = this.contentDocument.getElementById('DIALOG-201-0409').firstElementChild.getBoundingClientRect();
  this.style.left = (8 - dialog.left) + 'px';
  this.style.top = (8 - dialog.top) + 'px';
});
</script></body></html>
EOF
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --allow-file-access-from-files --user-data-dir="$work/profile" \
  --window-size=352,236 --screenshot="$PWD/docs/preview.png" "file://$work/view.html" >/dev/null 2>&1
