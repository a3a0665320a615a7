#pragma once

#include <string>

namespace lirovane {

// Turns letters read on the plus strand into the minus strand as it is read from its
// own 5' end: reversed, each base replaced by its pair (A-T, C-G, and the IUPAC codes
// R-Y, K-M, B-V, D-H; S, W and N are their own), case kept. Any other byte (a gap, a
// stop mark) keeps its place in the reversed order unchanged.
void ReverseComplement(std::string& letters);

} // namespace lirovane
