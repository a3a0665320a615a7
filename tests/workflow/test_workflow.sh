#!/usr/bin/env bash
# Runs the many-genomes workflow for real on two small genomes and checks it against
# lirovane-batch and trf run by hand, then adds genomes (one of them broken) and checks
# that only their work is done; draws an annotation's features and the records' overview; scatters trf over bins of records, with failing genomes
# and names a shell would misread; refuses bad settings and names before any job runs;
# and checks that the cluster profile parses.
#
#   test_workflow.sh LIROVANE_BATCH REPOSITORY
set -euo pipefail
batch=$1
root=$2
for tool in snakemake trf; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lirovane-workflow.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

sizes=1,3,5-6,12
run() { snakemake -s "$root/workflow/Snakefile" --cores 2 \
          --config input=genomes results=out sizes=$sizes lirovane_batch="$batch" "$@"; }
# The jobs a dry run plans, as "rule count" lines of its job table.
job_table() { awk '/^Job stats:/ {t = 1; next} t && /^total/ {exit} t && $2 ~ /^[0-9]+$/ {print $1, $2}' | sort | tr '\n' ' '; }
planned() { run -n "$@" 2>&1 | job_table; }

# Lambda comes with its .dat file (reused, not recomputed); chr17 is compressed and goes through trf.
mkdir genomes
cp "$root/examples/lambda_phage.fa" "$root/examples/lambda_phage.trf.dat" genomes/
gzip -c "$root/tests/data/workflow/human_chr17_part.fa" > genomes/chr17_part.fa.gz

[ "$(planned)" = "all 1 gallery 2 gather 1 overview 1 recompress 1 " ] || fail "first plan: $(planned)"
run > first.log 2>&1 || { cat first.log; fail "the first run failed"; }

# By hand: the same galleries, byte for byte.
"$batch" --sequence genomes/lambda_phage.fa --trf genomes/lambda_phage.trf.dat --size $sizes \
  --out hand/lambda_phage --summary hand/lambda_phage/summary.tsv 2>/dev/null
diff -r hand/lambda_phage out/lambda_phage || fail "lambda gallery differs from lirovane-batch by hand"
# chr17 went through trf from its compressed file, and lirovane-batch read the .gz itself.
status=0
gzip -dc genomes/chr17_part.fa.gz | trf - 2 7 7 80 10 50 500 -h -ngs > hand.ngs 2>/dev/null || status=$?
[ "$status" = 253 ] || [ "$status" = 0 ] || fail "trf by hand: exit status $status"
cmp hand.ngs out/chr17_part/chr17_part.trf.ngs || fail "trf output differs"
"$batch" --sequence genomes/chr17_part.fa.gz --trf hand.ngs --size $sizes \
  --out hand/chr17_part --summary hand/chr17_part/summary.tsv 2>/dev/null
diff -r -x '*.ngs' -x '*.gz*' -x '*.fai' hand/chr17_part out/chr17_part || fail "chr17 gallery differs from lirovane-batch by hand"

expected='genome	size	repeats	pictures	bases
chr17_part	1	1	1	25
chr17_part	3	0	0	0
chr17_part	5	0	0	0
chr17_part	6	0	0	0
chr17_part	12	1	1	30
lambda_phage	1	0	0	0
lambda_phage	3	9	9	99
lambda_phage	5	14	14	145
lambda_phage	6	24	24	279
lambda_phage	12	0	0	0'
[ "$(cat out/summary.tsv)" = "$expected" ] || { cat out/summary.tsv; fail "summary.tsv"; }
grep -q '<a href="lambda_phage/size-6/index.htm">size 6</a>: 24 repeats' out/index.htm || fail "index.htm"
grep -q '<td>chr17_part.fa.gz</td>' out/index.htm || fail "index.htm names the file"
[ -z "$(planned)" ] || fail "a second run would do: $(planned)"

# A new genome and a broken one (its .dat names a sequence it does not have).
lambda_mtime=$(stat -c %Y.%y out/lambda_phage/summary.tsv)
python3 - <<'PY'
import random
random.seed(7)
bases = "".join(random.choice("ACGT") for _ in range(3000))
with open("genomes/tiny.fna", "w") as out:
    seq = bases[:1000] + "ACG" * 30 + bases[1000:2000] + "AT" * 40 + bases[2000:]
    out.write(">tiny synthetic\n" + "\n".join(seq[i:i + 60] for i in range(0, len(seq), 60)) + "\n")
PY
printf '>broken\nACGTACGTACGTACGTACGTACGT\n' > genomes/broken.fasta
printf '@other\n1 8 4 2.0 4 100 0 16 25 25 25 25 2.00 ACGT ACGTACGT . .\n' > genomes/broken.dat
[ "$(planned)" = "all 1 gallery 2 gather 1 index 1 overview 1 " ] || fail "plan after adding: $(planned)"
status=0
run --keep-going > second.log 2>&1 || status=$?
[ "$status" != 0 ] || fail "a broken genome passed"
grep -q "is not a record of genomes/broken.fasta" out/logs/broken.gallery.log || fail "the log lacks the message"
grep -q "is not a record of genomes/broken.fasta" second.log || fail "snakemake's output lacks the message"
[ -s out/tiny/summary.tsv ] && [ -s out/tiny/size-3/index.htm ] || fail "the new genome is not complete"
[ "$(stat -c %Y.%y out/lambda_phage/summary.tsv)" = "$lambda_mtime" ] || fail "lambda was redone"

# Without the broken genome only the overview is left to do.
rm genomes/broken.fasta genomes/broken.dat
[ "$(planned)" = "all 1 overview 1 " ] || fail "plan after removing: $(planned)"
run > third.log 2>&1 || { cat third.log; fail "the third run failed"; }
grep -q '^tiny	3	' out/summary.tsv || fail "summary.tsv lacks the new genome"
[ "$(grep -c '^<tr><td>' out/index.htm)" = 3 ] || fail "index.htm does not list three genomes"

# One size: the gallery is the genome's folder itself. With an annotation (genes on both
# strands at the record's edges, an escaped name, a CDS not asked for) and overview: true,
# the genome's folder also holds features/gene/ and overview/, and the page links them.
mkdir one
cp genomes/lambda_phage.fa genomes/lambda_phage.trf.dat one/
r='gi|9626243|ref|NC_001416.1|'
printf '##gff-version 3\n%s\tt\tgene\t1\t300\t.\t+\t.\tID=g1;Name=nu1%%2Ca\n%s\tt\tCDS\t191\t300\t.\t+\t.\tID=c1\n%s\tt\tgene\t48000\t48502\t.\t-\t.\tID=g2\n' \
  "$r" "$r" "$r" > one/lambda_phage.gff3
snakemake -s "$root/workflow/Snakefile" --cores 2 --config input=one results=one-out sizes=6 lirovane_batch="$batch" \
  'feature_types=[gene]' overview=true > one.log 2>&1 || { cat one.log; fail "one size"; }
"$batch" --sequence one/lambda_phage.fa --trf one/lambda_phage.trf.dat --size 6 --out hand/one \
  --summary hand/one/summary.tsv 2>/dev/null
"$batch" --sequence one/lambda_phage.fa --gff one/lambda_phage.gff3 --type gene --out hand/one/features \
  --summary hand/one/features.summary.tsv > /dev/null 2>&1
"$batch" --sequence one/lambda_phage.fa --overview --out hand/one > /dev/null 2>&1
diff -r hand/one one-out/lambda_phage || fail "one size: galleries differ from lirovane-batch by hand"
for link in 'lambda_phage/index.htm">size 6</a>: 24 repeats' 'lambda_phage/features/gene/index.htm">features gene</a>: 2 features' \
            'lambda_phage/overview/index.htm">overview</a>: 1 record'; do
  grep -qF "<a href=\"$link" one-out/index.htm || fail "one size: index.htm lacks $link"
done
[ -s one-out/lambda_phage/features/gene/nu1_a.bmp ] || fail "one size: the escaped name's picture"

# trf scattered over bins of at most 45000 bases: "two" (lambda, then chr17 with a
# description trf's @ line must keep, under a name a shell would misread) is a bin per
# record; "many" holds 89 records of 1000 bases, compressed, packed into two bins;
# "failing" has a record "bad" that trf fails on in its second bin; an empty genome and
# a corrupt .gz. Only the trf results are asked for, and the odd name's gallery.
mkdir scatter
two='two "q" $(touch PWNED) `touch PWNED` é'
python3 - "$root/examples/lambda_phage.fa" "$root/tests/data/workflow/human_chr17_part.fa" "scatter/$two.fa" <<'PY'
import sys
lambda_text, chr17_text = (open(f).read() for f in sys.argv[1:3])
chr17 = chr17_text.split("\n", 1)[1].replace("\n", "")
bases = chr17 + "".join(lambda_text.split("\n")[1:])
record = lambda header, seq: f">{header}\n" + "".join(seq[i:i + 70] + "\n" for i in range(0, len(seq), 70))
open(sys.argv[3], "w").write(lambda_text + record("chr17 40 kb of hg19", chr17))
open("many.fa", "w").write("".join(record(f"r{k} piece {k}", bases[k * 1000:k * 1000 + 1000]) for k in range(89)))
open("scatter/failing.fa", "w").write(record("ok1", chr17) + record("bad", bases[:30000]) + record("ok2", chr17[:10000]))
PY
gzip -c many.fa > scatter/many.fa.gz
: > scatter/empty.fa
gzip -c many.fa | head -c 20000 > scatter/corrupt.fa.gz
cat > fake-trf <<EOF
#!/bin/sh
# trf, except that it fails on a record named "bad" while $work/fail-bad exists.
input=\$(mktemp "$work/trf-in.XXXXXX")
cat > "\$input"
if [ -e "$work/fail-bad" ] && grep -q '^>bad' "\$input"; then echo "trf: bad input" >&2; exit 1; fi
trf "\$@" < "\$input"; status=\$?; rm -f "\$input"; exit \$status
EOF
chmod +x fake-trf
touch fail-bad
scatter() { snakemake -s "$root/workflow/Snakefile" --cores 2 --keep-going "$@" --config input=scatter \
              results=scattered sizes=$sizes lirovane_batch="$batch" trf="$work/fake-trf" trf_bin_bases=45000; }
targets=("scattered/$two/summary.tsv")
for name in many failing empty corrupt; do targets+=("scattered/$name/$name.trf.ngs"); done
status=0
scatter "${targets[@]}" > scatter.log 2>&1 || status=$?
[ "$status" != 0 ] || fail "failing genomes passed"
[ ! -e PWNED ] || fail "a genome's name was run by a shell"
[ -s "scattered/$two/index.htm" ] || { cat scatter.log; ls -R scattered; fail "the odd name's gallery"; }
for row in "$two|scatter/$two.fa" "many|many.fa"; do
  name=${row%|*}
  [ "$(ls "scattered/logs/$name".trf.*.log | wc -l)" = 2 ] || fail "$name: not 2 trf jobs"
  status=0
  trf "${row#*|}" 2 7 7 80 10 50 500 -h -ngs > one-job.ngs 2>/dev/null || status=$?
  [ "$status" = 253 ] && [ -s one-job.ngs ] || fail "$name: trf by hand"
  cmp one-job.ngs "scattered/$name/$name.trf.ngs" || fail "$name: the gathered repeats differ from one trf run"
done
for row in "failing.trf.2|trf failed on record 'bad' of scatter/failing.fa" \
           "empty.index|scatter/empty.fa is empty" \
           "corrupt.recompress|unexpected end of file"; do
  grep -qF "${row#*|}" "scattered/logs/${row%%|*}.log" || { cat scatter.log; fail "log: ${row#*|}"; }
  grep -qF "${row#*|}" scatter.log || fail "snakemake's output: ${row#*|}"
done
[ -s scattered/failing/trf/1.ngs ] && [ ! -e scattered/failing/trf/2.ngs ] && [ ! -e scattered/failing/failing.trf.ngs ] \
  || fail "failing: a bin is missing or a partial one is kept"
# Once trf succeeds, only the missing bin is run.
rm fail-bad scatter/empty.fa scatter/corrupt.fa.gz
[ "$(scatter -n "${targets[@]:0:3}" 2>&1 | job_table)" = "gather 1 trf 1 " ] || fail "rerun plan"

# Refused before any job runs, by name: bad settings, and every genome file the workflow
# cannot take, in one message.
mkdir refused
for name in "it's.fa" a,b.fa logs.fa summary.tsv.fa x.gff3.fa; do cp genomes/lambda_phage.fa "refused/$name"; done
ln -s nowhere.fa refused/gone.fa
for row in "sizes=5-3|sizes: '5-3' is not a size from 1 to 2000" \
           "lirovane_batch=no-such-batch|lirovane_batch: 'no-such-batch' is not on PATH;" \
           "input=refused|'it's.fa': a genome's name cannot hold \"'\"|'a,b.fa': a genome's name cannot hold ','|'logs.fa' would be genome 'logs', a name the workflow's own files have|'summary.tsv.fa' would be genome 'summary.tsv'|'x.gff3.fa' would be genome 'x.gff3', which ends as an annotation's|'gone.fa' is a symbolic link to 'nowhere.fa', which does not exist"; do
  IFS='|' read -ra expected <<< "$row"
  snakemake -s "$root/workflow/Snakefile" -n --cores 2 \
    --config input=one results=refused-out sizes=6 lirovane_batch="$batch" "${expected[0]}" > refused.log 2>&1 \
    && fail "accepted: ${expected[0]}"
  for message in "${expected[@]:1}"; do
    grep -qF "$message" refused.log || { cat refused.log; fail "message: $message"; }
  done
done
[ ! -e refused-out ] || fail "a refused run wrote into results"
# The cluster profile parses and plans the same jobs (a dry run submits nothing). Without
# lirovane_batch, as in the README's command, the program built in this tree is found.
found=(lirovane_batch="$batch")
[ "$(readlink -f "$batch")" = "$(readlink -f "$root/build/ci/src/cli/lirovane-batch")" ] && found=()
PATH=/usr/bin:/bin snakemake -s "$root/workflow/Snakefile" --profile "$root/workflow/profiles/slurm" -n \
  --config input=genomes results=cluster-out sizes=2-10 "${found[@]}" > cluster.log 2>&1 \
  || { cat cluster.log; fail "cluster profile"; }
grep -q '^gallery *3 ' cluster.log || { cat cluster.log; fail "cluster plan"; }
echo "workflow: all checks passed"
