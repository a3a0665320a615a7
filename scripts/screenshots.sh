#!/usr/bin/env bash
# Takes the README's pictures of the window at work on the workflow's results, under Xvfb:
# the results opened, a size's gallery with a thumbnail's tooltip, the viewer at that
# repeat in the settings' colours, and Save image writing a PNG. Needs a built tree,
# snakemake and trf, and ImageMagick's import (LIROVANE_SCREENSHOT_DEPS=1 bash scripts/deps.sh).
# Then the gallery of the E. coli sample's tRNAs, from the hand-made annotation in
# tests/data/features, opened in the window (features.png).
# Usage: scripts/screenshots.sh [BUILD_DIR] [features]   (default build/ci); writes
# docs/screenshots/; with "features", only the tRNA gallery's picture.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "${1:-build/ci}" && pwd)
out=$repo/docs/screenshots
# A neutral place, as a user's own folders would be.
home=${LIROVANE_SHOT_HOME:-/home/ana}
project=$home/project
rm -rf "$project" "$home/work" "$home/.config/Lirovane"
mkdir -p "$project/genomes" "$home/work" "$home/.config/Lirovane"
samples=${LIROVANE_SAMPLES:-/work/shared/samples}
cp "$samples/pfalciparum_MAL14_lower.fa" "$project/genomes/MAL14.fa"
cp "$samples/pfalciparum_MAL14_lower.trf.dat" "$project/genomes/MAL14.trf.dat"
cp "$samples/ecoli_k12_mg1655.fa" "$project/genomes/E_coli.fa"
cp "$samples/ecoli_k12_mg1655.trf.dat" "$project/genomes/E_coli.trf.dat"
cp "$repo/tests/data/features/ecoli_k12_genes.gff3" "$project/E_coli_genes.gff3"

# The tRNA gallery: lirovane-batch --gff with --type tRNA, opened in the window.
feature_shot() {
  "$build/src/cli/lirovane-batch" --sequence "$project/genomes/E_coli.fa" \
    --gff "$project/E_coli_genes.gff3" --type tRNA --out "$home/work/trna" >/dev/null
  HOME=$home XDG_CONFIG_HOME=$home/.config xvfb-run -a -s '-screen 0 1200x800x24' bash -c "
    set -eu
    '$build/src/ui/lirovane' '$home/work/trna/tRNA' &
    sleep 4
    import -window root -crop 900x400+150+100 +repage '$out/features.png'
    kill %1"
}

# The workflow, in the window's own colours (dark red, blue, teal, green).
(cd "$project" && snakemake -s "$repo/workflow/Snakefile" --cores 2 --quiet \
  --config input=genomes results=results sizes=12,18 lirovane_batch="$build/src/cli/lirovane-batch" \
  'colors=["#c00000","#0050c0","#00a0a0","#208020"]' >/dev/null 2>&1)

# Settings as a confirmed settings dialog leaves them: colours 0x00BBGGRR.
cat >"$home/.config/Lirovane/Lirovane.conf" <<CONF
[Lirovane]
Path=$home/work
SequenceFile=$project/genomes/MAL14.fa
StartsEndsAndSizesFile=$project/genomes/MAL14.trf.dat
SizeOfRepeats=12
LetterOrientation=1
AsColor=192
CsColor=12603392
GsColor=10526720
TsColor=2129952
Letter1=97
Letter2=99
Letter3=103
Letter4=116
Letter5=65
Letter6=67
Letter7=71
Letter8=84
NumberOfRepeatsInThisSet=463
CONF
# The overview of the E. coli sample from the window's Menu, and its record in the viewer
# at Fit record; the workflow's results page and a genome's page of sizes.
overview_shots() {
  sed "s|^SequenceFile=.*|SequenceFile=$project/genomes/E_coli.fa|" "$home/.config/Lirovane/Lirovane.conf" \
    >"$home/.config/Lirovane/overview.conf"
  mkdir -p "$home/ecoli"
  HOME=$home XDG_CONFIG_HOME=$home/.config xvfb-run -a -s '-screen 0 1200x800x24' bash -c "
    set -eu
    shot() { sleep 1; import -window root -crop \"\$2\" +repage '$out/'\"\$1\"; }
    cp '$home/.config/Lirovane/Lirovane.conf' '$home/.config/Lirovane/mal14.conf'
    cp '$home/.config/Lirovane/overview.conf' '$home/.config/Lirovane/Lirovane.conf'
    cd '$home/ecoli'
    '$build/src/ui/lirovane' &
    sleep 3
    xdotool mousemove 176 108 click 1; sleep 1; xdotool key o   # Menu > Overview of the sequence...
    sleep 3
    shot overview-page.png 900x400+150+100
    xdotool mousemove 600 275 click 3; sleep 1; xdotool key Down Return
    sleep 4
    shot overview-fit.png 896x655+142+33
    xdotool key Escape; sleep 1
    kill %1
    cp '$home/.config/Lirovane/mal14.conf' '$home/.config/Lirovane/Lirovane.conf'
    '$build/src/ui/lirovane' '$project/results' &
    sleep 3
    shot results-page.png 900x200+150+100
    kill %1
    '$build/src/ui/lirovane' '$project/results/MAL14' &
    sleep 3
    shot sizes-page.png 900x200+150+100
    kill %1"
}

if [ "${2:-}" = overview ]; then
  overview_shots
  ls -l "$out"/overview-*.png "$out"/results-page.png "$out"/sizes-page.png
  exit 0
fi
if [ "${2:-}" = features ]; then
  feature_shot
  ls -l "$out/features.png"
  exit 0
fi

steps=$(mktemp)
trap 'rm -f "$steps"' EXIT
cat >"$steps" <<STEPS
set -eu
shot() { sleep 1; import -window root -crop "\$2" +repage "$out/\$1"; }
cd "$home/work"
HOME=$home XDG_CONFIG_HOME=$home/.config "$build/src/ui/lirovane" "$project/results" &
sleep 3
xdotool mousemove 176 108 click 1          # the Menu: Open gallery... and the recent list
shot open-gallery.png 900x600+150+100
xdotool key Escape
xdotool mousemove 292 249 click 1          # MAL14, size 12
sleep 2
xdotool mousemove 215 260; sleep 0.5; xdotool mousemove 216 262; sleep 1.5
shot gallery-tooltip.png 900x600+150+100
xdotool click 3; sleep 1; xdotool key Down Return   # Show in Strandscope
sleep 3
for i in 1 2 3 4 5 6 7; do xdotool key plus; sleep 0.3; done
shot strandscope-repeat.png 896x655+142+33
xdotool mousemove 322 572 click 1          # Save image
sleep 2
xdotool key ctrl+a; xdotool type MAL14-3153.png
shot save-png.png 896x655+142+33
xdotool key Return
sleep 2
cp "$home/work/MAL14-3153.png" "$out/saved-repeat.png"
kill %1
STEPS
xvfb-run -a -s '-screen 0 1200x800x24' bash "$steps"
feature_shot
ls -l "$out"
