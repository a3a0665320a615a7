"""The overview of a set of genomes: results/index.htm links every genome's galleries
with their counts, results/summary.tsv has one row per genome and size. Both are built
from the summary.tsv that lirovane-batch wrote for each genome; the page also links a
genome's feature galleries and its records' overview where it has them."""

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


def link(results, folder, target, label, count, noun):
    # A genome's name may hold characters a link cannot (space, #, %): quote them.
    href = html.escape(urllib.parse.quote(os.path.relpath(os.path.join(folder, target), results)), quote=True)
    text = f"no {noun}s" if count == 0 else f"1 {noun}" if count == 1 else f"{count} {noun}s"
    return f'<a href="{href}">{html.escape(label)}</a>: {text}'


def more_links(results, pages):
    """Links to a genome's feature galleries (one per type) and its records' overview."""
    links = []
    if "features" in pages:
        folder = os.path.join(os.path.dirname(pages["features"]), "features")
        for row in read_rows(pages["features"]):
            label = "features " + row["type"] if row["type"] else "features"
            links.append(link(results, folder, row["page"], label, int(row["features"]), "feature"))
    if "overview" in pages:
        with open(pages["overview"]) as walk:
            records = sum(1 for _ in walk) - 1
        links.append(link(results, os.path.dirname(pages["overview"]), "index.htm", "overview", records, "record"))
    return links


def overview(genomes, files, summaries, pages, page, table):
    results = os.path.dirname(page) or "."
    rows = ["genome\tsize\trepeats\tpictures\tbases\n"]
    cells = []
    for genome, file_name, summary, more in zip(genomes, files, summaries, pages):
        folder = os.path.dirname(summary)
        links = []
        for row in read_rows(summary):
            rows.append("\t".join([genome, row["size"], row["repeats"], row["pictures"], row["bases"]]) + "\n")
            links.append(link(results, folder, row["page"], "size " + row["size"], int(row["repeats"]), "repeat"))
        links += more_links(results, more)
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
    snakemake.params.pages,
    snakemake.output.page,
    snakemake.output.table,
)
