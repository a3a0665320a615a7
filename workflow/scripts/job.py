"""Runs one job of the workflow (the rule's name says which) with the functions of
genomes.py; a failure prints its message and the job's log, and fails the job."""

import sys

import genomes


def run(job, log):
    rule, out, params = job.rule, job.output, job.params
    if rule == "index":
        genomes.index_genome(job.input.genome, out.fai, log)
    elif rule == "recompress":
        genomes.recompress_genome(job.input.genome, out.text, out.gzi, out.fai, log, job.threads)
    elif rule == "trf":
        text = genomes.Text(job.input.text, job.input.get("gzi"))
        genomes.trf_bin(params.genome, text, job.input.fai, params.records, params.command, out[0], log)
    elif rule == "gather":
        genomes.gather(job.input, out[0])
    elif rule in ("gallery", "features", "records"):
        genomes.gallery(params.command, job.input.sequence, log)


def main(job):
    with open(job.log[0], "wb") as log:
        try:
            run(job, log)
            return
        except genomes.JobError as error:
            message = str(error)
    with open(job.log[0], "rb") as log:
        said = log.read().decode(errors="replace")
    with open(job.log[0], "ab") as log:
        log.write(message.encode() + b"\n")
    sys.stderr.write(message + "\n" + said)
    sys.exit(1)


main(snakemake)  # noqa: F821 (given by Snakemake's script directive)
