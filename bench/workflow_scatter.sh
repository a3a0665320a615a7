#!/usr/bin/env bash
# Wall time of the workflow's trf step on one multi-record genome, scattered over bins of
# records against one trf job for the whole genome, both on --cores 2, and whether the two
# give the same bytes. Prints the bins, both times and their ratio. Every trf job's CPU
# time is kept too: on a machine shared with other work, the bins' CPU times packed onto
# two cores give the ratio that an otherwise idle machine would show.
#
#   bench/workflow_scatter.sh GENOME.fa[.gz] BIN_BASES [LIROVANE_BATCH]
#
# The note's figures came from the first five chromosomes of P. falciparum (MAL1 to MAL5,
# 5.2 Mb), the records of Debian 12's smalt-examples usr/share/doc/smalt/test/data/genome_1.fa.gz,
# with BIN_BASES 1500000.
set -euo pipefail
genome=$(readlink -f "$1")
bin_bases=$2
root=$(cd "$(dirname "$0")/.." && pwd)
batch=${3:-$root/build/ci/src/cli/lirovane-batch}
work=$(mktemp -d "${TMPDIR:-/tmp}/lirovane-scatter.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/genomes"
ln -s "$genome" "$work/genomes/$(basename "$genome")"
name=$(basename "$genome"); name=${name%.gz}; name=${name%.*}
cd "$work"
# trf, with its CPU seconds appended to cpu.txt.
printf '#!/bin/sh\nexec /usr/bin/time -a -o "%s/cpu.txt" -f "%%U %%S" trf "$@"\n' "$work" > timed-trf
chmod +x timed-trf

# Runs the workflow up to the genome's gathered trf results; prints the wall seconds.
trf_step() {
  local start end
  start=$(date +%s.%N)
  snakemake -s "$root/workflow/Snakefile" --cores 2 "$1/$name/$name.trf.ngs" \
    --config input=genomes results="$1" lirovane_batch="$batch" trf_bin_bases="$2" trf="$work/timed-trf" \
    > "$1.log" 2>&1 \
    || { cat "$1.log"; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
one=$(trf_step one-job 100000000000)
mv cpu.txt one-job.cpu
scattered=$(trf_step scattered "$bin_bases")
python3 - "$root/workflow/scripts" "$bin_bases" scattered/"$name"/*.fai <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from genomes import plan_bins, read_fai
records = read_fai(sys.argv[3])
bins = plan_bins([r[1] for r in records], int(sys.argv[2]))
print(f"{len(records)} records, G = {sys.argv[2]} bases, {len(bins)} bins: "
      + "; ".join(" ".join(r[0].decode() for r in records[a:b + 1]) for a, b in bins))
PY
cmp one-job/"$name"/"$name".trf.ngs scattered/"$name"/"$name".trf.ngs && echo "trf results byte-identical"
echo "wall: one job ${one} s, scattered ${scattered} s, ratio $(echo "scale=2; $scattered / $one" | bc)"
python3 - one-job.cpu cpu.txt <<'PY'
import sys
def cpu(path):  # the "user system" lines; time also notes trf's exit status 253
    return [float(u) + float(s) for u, s in (l.split() for l in open(path) if l[0].isdigit())]
one, bins = sum(cpu(sys.argv[1])), cpu(sys.argv[2])
cores = [0.0, 0.0]
for cpu in bins:  # in the order the jobs finished, each onto the less busy core
    cores[cores.index(min(cores))] += cpu
print(f"trf CPU: one job {one:.1f} s, bins {' '.join(f'{b:.1f}' for b in bins)} s;"
      f" on two idle cores {max(cores):.1f} s, ratio {max(cores) / one:.2f}")
PY
