"""The workflow's work on one genome, outside any shell: its record index, the bins of
records that trf runs on, trf itself, the gathered repeats and the gallery. Every program
is started with an argument list, so no file name is ever read by a shell.

The Snakefile imports this module to plan the bins; scripts/job.py runs a job with it."""

import contextlib
import os
import subprocess
import sys

CHUNK = 1 << 20
# trf 4.09 exits with 253 after a successful -ngs run; 0 is taken as success too.
TRF_SUCCESS = (0, 253)
# gzip's status 2 is a warning (such as trailing garbage ignored) after a complete text.
GZIP_SUCCESS = (0, 2)


class JobError(Exception):
    """A failure of one genome, with the message that names it."""


# ---------------------------------------------------------------- the record index


class RecordScanner:
    """Finds the records of a FASTA text fed in pieces of any size, as a .fai lists them:
    name, bases, offset of the first base, bases and bytes of its first line."""

    def __init__(self):
        self.records = []  # [name, bases, offset, line bases, line bytes]
        self.position = 0  # offset of the next byte fed
        self.line_start = True
        self.header = None  # the header line being read, without its '>'
        self.first_line = None  # bytes of the current record's first line so far

    def feed(self, data):
        i, n = 0, len(data)
        while i < n:
            if self.header is not None:
                i = self._header(data, i)
            elif self.line_start and data[i] == 0x3E:  # '>'
                self.header = bytearray()
                i += 1
            else:
                i = self._sequence(data, i)
        self.position += n

    write = feed  # a sink for _pump

    def finish(self):
        if self.header is not None:
            self._start_record(self.position)
        if self.first_line is not None:
            self._end_first_line(self.first_line + 1)
        return self.records

    def _header(self, data, i):
        end = data.find(b"\n", i)
        if len(self.header) < 65536:  # only the name is kept; a header may be long
            self.header += data[i : len(data) if end < 0 else end]
        if end < 0:
            return len(data)
        self._start_record(self.position + end + 1)
        self.line_start = True
        return end + 1

    def _start_record(self, offset):
        if self.first_line is not None:
            self._end_first_line(self.first_line + 1)
        words = bytes(self.header).split()
        self.records.append([words[0] if words else b"", 0, offset, 0, 0])
        self.header = None
        self.first_line = 0

    def _sequence(self, data, i):
        next_header = data.find(b"\n>", i)
        end = len(data) if next_header < 0 else next_header + 1
        text = data[i:end]
        if self.records:
            record = self.records[-1]
            record[1] += len(text) - text.count(b"\n") - text.count(b"\r")
            if self.first_line is not None:
                line_end = text.find(b"\n")
                if line_end < 0:
                    self.first_line += len(text)
                else:
                    self._end_first_line(self.first_line + line_end + 1, text[:line_end].endswith(b"\r"))
        self.line_start = text.endswith(b"\n")
        return end

    def _end_first_line(self, width, carriage_return=False):
        record = self.records[-1]
        record[3] = width - 1 - (1 if carriage_return else 0) if width > 1 else 0
        record[4] = width if width > 1 else 0
        self.first_line = None


def fai_text(records):
    return b"".join(b"%s\t%d\t%d\t%d\t%d\n" % tuple(r) for r in records)


def read_fai(path):
    """The records of a .fai as (name, bases, offset) in file order."""
    with open(path, "rb") as index:
        rows = [line.rstrip(b"\n").split(b"\t") for line in index if line.strip()]
    return [(row[0], int(row[1]), int(row[2])) for row in rows]


def plan_bins(lengths, most):
    """Records packed in file order into bins of at most `most` bases, as (first, last)
    record numbers; a record longer than that is a bin of its own."""
    bins, first, total = [], 0, 0
    for number, length in enumerate(lengths):
        if number > first and total + length > most:
            bins.append((first, number - 1))
            first, total = number, 0
        total += length
    if lengths:
        bins.append((first, len(lengths) - 1))
    return bins


# ---------------------------------------------------------------- reading the text


class Text:
    """The genome's text as trf reads it: a plain file, or the BGZF copy with its .gzi."""

    def __init__(self, path, gzi=None):
        self.path, self.gzi = path, gzi

    def _bgzip(self, start, size):
        command = ["bgzip", "-d", "-c", "-b", str(start), "-I", self.gzi]
        return command + (["-s", str(size)] if size is not None else []) + ["--", self.path]

    def read(self, start, size):
        if self.gzi is None:
            with open(self.path, "rb") as text:
                text.seek(start)
                return text.read(size)
        done = subprocess.run(self._bgzip(start, size), capture_output=True, check=False)
        if done.returncode != 0:
            raise JobError(f"bgzip cannot read {self.path}: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout

    def header_start(self, offset):
        """Where the header line ends that precedes `offset`, the record's first base."""
        end = offset - 1  # the header's newline
        window = 4096
        while True:
            start = max(0, end - window)
            text = self.read(start, end - start)
            cut = text.rfind(b"\n")
            if cut >= 0 or start == 0:
                return start + cut + 1
            window *= 4

    def write_range(self, start, end, sink):
        """Sends bytes start to end (None: to the end of the text) into `sink`."""
        size = None if end is None else end - start
        if self.gzi is not None:
            reader = subprocess.Popen(self._bgzip(start, size), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            _pump(reader.stdout, sink, None)
            if reader.wait() != 0:
                raise JobError(f"bgzip cannot read {self.path}: {reader.stderr.read().decode(errors='replace').strip()}")
            return
        with open(self.path, "rb") as text:
            text.seek(start)
            _pump(text, sink, size)


def _pump(source, sink, size):
    while size is None or size > 0:
        data = source.read(CHUNK if size is None else min(CHUNK, size))
        if not data:
            return
        sink.write(data)
        if size is not None:
            size -= len(data)


def check_text(genome, records, size):
    if size == 0:
        raise JobError(f"{genome} is empty: there is no sequence for trf to read")
    if not records:
        raise JobError(f"{genome} holds no FASTA record: no line starts with '>'")


# ---------------------------------------------------------------- the jobs


def staged(path):
    """The name a file is written under until it is complete, then renamed."""
    return os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".part")


@contextlib.contextmanager
def staging(*paths):
    """Yields the staged names of `paths`: all are renamed into place when the block
    completes, and removed when it fails, so no partial file ever has an output's name."""
    names = [staged(path) for path in paths]
    try:
        yield names
    except BaseException:
        for name in names:
            if os.path.exists(name):
                os.remove(name)
        raise
    for name, path in zip(names, paths):
        os.replace(name, path)


def write_file(path, data):
    with staging(path) as (name,), open(name, "wb") as out:
        out.write(data)


def index_genome(genome, fai, log):
    """Lists the records of a plain genome in its .fai."""
    scanner = RecordScanner()
    with open(genome, "rb") as text:
        _pump(text, scanner, None)
    check_text(genome, scanner.finish(), scanner.position)
    write_file(fai, fai_text(scanner.records))


class _Tee:
    def __init__(self, *sinks):
        self.sinks = sinks

    def write(self, data):
        for sink in self.sinks:
            sink.write(data)


def recompress_genome(genome, copy, gzi, fai, log, threads):
    """Decompresses a gzip genome once, writing a BGZF copy (read from the middle through
    its .gzi) and the copy's .fai as the text streams by."""
    scanner = RecordScanner()
    with staging(copy, gzi) as (copy_name, gzi_name), open(copy_name, "wb") as out:
        gzip = subprocess.Popen(["gzip", "-dc", "--", genome], stdout=subprocess.PIPE, stderr=log)
        bgzip = subprocess.Popen(
            ["bgzip", "-c", "-i", "-I", gzi_name, "-@", str(threads)], stdin=subprocess.PIPE, stdout=out, stderr=log
        )
        try:
            _pump(gzip.stdout, _Tee(scanner, bgzip.stdin), None)
        finally:
            bgzip.stdin.close()
            statuses = gzip.wait(), bgzip.wait()
        if statuses[0] not in GZIP_SUCCESS:
            raise JobError(f"{genome} cannot be decompressed (gzip exit status {statuses[0]})")
        if statuses[1] != 0:
            raise JobError(f"bgzip cannot write {copy} (exit status {statuses[1]})")
        check_text(genome, scanner.finish(), scanner.position)
    write_file(fai, fai_text(scanner.records))


def bin_range(text, records, first, last):
    """The bytes of records first to last, each from its header line on; the first bin
    starts at the text's first byte and the last ends at its end, so the bins together
    are the whole text."""
    start = 0 if first == 0 else record_start(text, records[first])
    end = record_start(text, records[last + 1]) if last + 1 < len(records) else None
    return start, end


def record_start(text, record):
    """Where the record's header line starts; an index that no longer agrees with the
    text (a genome changed since) is an error, never a wrong cut."""
    name, _, offset = record
    start = text.header_start(offset)
    words = text.read(start, offset - start)[1:].split()
    if text.read(start, 1) != b">" or (words[0] if words else b"") != name:
        raise JobError(f"record '{name.decode(errors='replace')}' is not at byte {offset} any more")
    return start


def run_trf(command, text, start, end, out, log):
    trf = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=out, stderr=log)
    try:
        text.write_range(start, end, trf.stdin)
    except BrokenPipeError:
        pass
    finally:
        try:
            trf.stdin.close()
        except BrokenPipeError:
            pass
    return trf.wait()


def trf_bin(genome, text, fai, bin_records, command, output, log):
    """Runs trf on one bin of records; a failure names the record trf failed on."""
    records = read_fai(fai)
    first, last = bin_records
    try:
        start, end = bin_range(text, records, first, last)
    except JobError as error:
        os.remove(fai)  # made again on the next run
        raise JobError(f"{fai} does not agree with {genome} ({error}); it is made again on the next run") from None
    with staging(output) as (name,), open(name, "wb") as out:
        status = run_trf(command, text, start, end, out, log)
        if status not in TRF_SUCCESS:
            record = failing_record(text, records, first, last, command, log) if last > first else records[first][0]
            raise JobError(f"trf failed on record '{record.decode(errors='replace')}' of {genome} (exit status {status})")


def failing_record(text, records, first, last, command, log):
    """The first record of the bin that trf fails on alone (all of them if none does)."""
    for number in range(first, last + 1):
        start, end = bin_range(text, records, number, number)
        if run_trf(command, text, start, end, subprocess.DEVNULL, log) not in TRF_SUCCESS:
            return records[number][0]
    return records[first][0] + b" to " + records[last][0]


def gather(parts, output):
    """One file of every bin's repeats, in the genome's record order."""
    with staging(output) as (name,), open(name, "wb") as out:
        for part in parts:
            with open(part, "rb") as text:
                _pump(text, out, None)


def gallery(command, sequence, log):
    if subprocess.run(command, stderr=log, check=False).returncode != 0:
        raise JobError(f"lirovane-batch failed on {sequence}:")
