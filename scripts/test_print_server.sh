#!/usr/bin/env bash
# Prints through a real print server: starts CUPS when it is not running,
# adds a cups-pdf queue, prints the measurement archive of a generated
# object with "tarvik-kq print --printer" (the program's own print path:
# Qt's printer on CUPS), waits for the PDF the queue writes and compares it
# with the PDF the tool writes directly: the same number of pages, and
# every page the same picture. Exit status 0 passed, 1 failed, 77 skipped
# (with the reason on standard output).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
tool=$build/src/cli/tarvik-kq
sim=$build/tools/simulator/tarvik-kq-sim

skip() {
  echo "SKIPPED: printing through a print server: $*"
  exit 77
}
fail() {
  echo "FAILED: printing through a print server: $*"
  exit 1
}

for program in cupsd lpadmin lpstat pdfinfo pdftoppm python3; do
  command -v "$program" >/dev/null 2>&1 || skip "$program is not installed"
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -f "$ppd" ] || skip "cups-pdf (printer-driver-cups-pdf) is not installed"
[ -x "$tool" ] && [ -x "$sim" ] || fail "build $build first"

work=$(mktemp -d)
queue="tkq-test-$$"
started=""
cleanup() {
  lpadmin -x "$queue" >/dev/null 2>&1
  [ -n "$started" ] && kill "$started" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  # In the foreground of a background job, so that it can be stopped again.
  cupsd -f >"$work/cupsd.log" 2>&1 &
  started=$!
  for _ in $(seq 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
  lpstat -r 2>/dev/null | grep -q "is running" || skip "cupsd does not start: $(tail -n 3 "$work/cupsd.log")"
fi
lpadmin -p "$queue" -v cups-pdf:/ -P "$ppd" -E >/dev/null 2>&1 || skip "lpadmin cannot add a cups-pdf queue"

# cups-pdf writes to the folder PDF in the home of the job's user.
home=$(getent passwd "$(id -un)" | cut -d: -f6)
out="$home/PDF"
mkdir -p "$out"
touch "$work/marker"

"$sim" generate "$work/inst" --records 500 --objects 1 --seed 7 >/dev/null || fail "tarvik-kq-sim generate"
"$tool" import "$work/inst" --object 1 --id "TARVIK 59.11.03.04 SN 0001234" --description "Проверка печати" \
  -o "$work/obj.sav" || fail "tarvik-kq import"
"$tool" print "$work/obj.sav" --view archive -o "$work/direct.pdf" 2>/dev/null || fail "tarvik-kq print -o"
"$tool" print "$work/obj.sav" --view archive --printer "$queue" 2>/dev/null || fail "tarvik-kq print --printer $queue"

printed=""
for _ in $(seq 300); do
  printed=$(find "$out" -maxdepth 1 -name "*.pdf" -newer "$work/marker" 2>/dev/null | head -n 1)
  [ -n "$printed" ] && ! lpstat -o "$queue" 2>/dev/null | grep -q . && break
  sleep 0.2
done
[ -n "$printed" ] || fail "the queue wrote no PDF in $out within 60 s ($(lpstat -W completed -o "$queue" | tail -n 1))"
mv "$printed" "$work/queue.pdf"

pages() { pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p'; }
direct=$(pages "$work/direct.pdf")
queued=$(pages "$work/queue.pdf")
[ -n "$direct" ] && [ "$direct" -gt 1 ] || fail "the direct PDF has no pages"
[ "$direct" = "$queued" ] || fail "the queue printed $queued pages, the tool writes $direct"

# Every page the same picture: the server re-encodes the PDF (its fonts
# become bitmaps, the text layer goes), so the pages are compared as
# pictures at 72 dpi, in blocks of 6 by 6 pixels.
pdftoppm -r 72 -gray "$work/direct.pdf" "$work/direct" 2>/dev/null
pdftoppm -r 72 -gray "$work/queue.pdf" "$work/queue" 2>/dev/null
python3 - "$work" <<'PY' || fail "the printed pages do not look like the tool's pages"
import glob, os, sys

def pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0  # P5, width, height, maxval, then the pixels
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    return int(fields[1]), int(fields[2]), data[pos + 1:]

def blocks(image, n=6):
    width, height, pixels = image
    return [sum(sum(pixels[y * width + x:y * width + x + n]) for y in range(top, top + n)) / (n * n)
            for top in range(0, height - n + 1, n) for x in range(0, width - n + 1, n)]

work = sys.argv[1]
direct = sorted(glob.glob(os.path.join(work, "direct-*.pgm")))
queue = sorted(glob.glob(os.path.join(work, "queue-*.pgm")))
if not direct or len(direct) != len(queue):
    print("pages rendered:", len(direct), len(queue))
    sys.exit(1)
for a, b in zip(direct, queue):
    pa, pb = pgm(a), pgm(b)
    if pa[:2] != pb[:2]:
        print("page size differs:", os.path.basename(a))
        sys.exit(1)
    ba, bb = blocks(pa), blocks(pb)
    inked = sum(1 for v in ba if v < 250)
    differ = sum(1 for x, y in zip(ba, bb) if abs(x - y) > 64)
    if inked == 0 or differ > 0:
        print(f"{os.path.basename(a)}: {differ} of {inked} inked blocks differ")
        sys.exit(1)
PY
echo "printing through a print server: $queued pages through the cups-pdf queue, the same as the tool's PDF"
