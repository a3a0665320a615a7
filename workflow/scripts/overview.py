"""The overview of a set of genomes: results/index.htm links every genome's galleries
with their counts, results/summary.tsv has one row per genome and size. Both are built
from the summary.tsv that lirovane-batch wrote for each genome."""

import csv
import html
import os
import urllib.parse


def read_rows(summary):
    with open(summary, newline="") as table:
        return list(csv.DictReader(table, delimiter="\t"))


def write_atomically(path, text):
    staged = os.path.join(os.path.dirname(path) or ".", "." + os.path.basename(path) + ".part")
    with open(staged, "w", newline="") as out:
        out.write(text)
    os.replace(staged, path)


def overview(genomes, files, summaries, page, table):
    results = os.path.dirname(page) or "."
    rows = ["genome\tsize\trepeats\tpictures\tbases\n"]
    cells = []
    for genome, file_name, summary in zip(genomes, files, summaries):
        folder = os.path.relpath(os.path.dirname(summary), results)
        links = []
        for row in read_rows(summary):
            rows.append("\t".join([genome, row["size"], row["repeats"], row["pictures"], row["bases"]]) + "\n")
            # A genome's name may hold characters a link cannot (space, #, %): quote them.
            href = html.escape(urllib.parse.quote(folder + "/" + row["page"]), quote=True)
            count = int(row["repeats"])
            text = "no repeats" if count == 0 else "1 repeat" if count == 1 else f"{count} repeats"
            links.append(f'<a href="{href}">size {html.escape(row["size"])}</a>: {text}')
        cells.append(
            f"<tr><td>{html.escape(genome)}</td><td>{html.escape(file_name)}</td><td>"
            + "<br>".join(links)
            + "</td></tr>\r\n"
        )
    write_atomically(table, "".join(rows))
    write_atomically(
        page,
        "<html><body><br>Genomes: " + str(len(genomes)) + "<br>\r\n"
        "<table>\r\n<tr><th>Genome</th><th>File</th><th>Galleries</th></tr>\r\n"
        + "".join(cells)
        + "</table></body></html>",
    )


overview(
    snakemake.params.genomes,
    snakemake.params.files,
    snakemake.input.summaries,
    snakemake.output.page,
    snakemake.output.table,
)
