#pragma once

// `lirovane-batch --index FILE`: FILE.fai (and FILE.gzi for BGZF) as samtools faidx
// writes them. True when the arguments ask for it.
bool AsksForIndex(int argc, char** argv);
// Returns the process exit status.
int RunIndexCommand(int argc, char** argv);
