#pragma once

// `lirovane-batch --sequence FILE --overview [--out DIR] [--format bmp|png|svg]
// [--orientation 1|2|3] [--colors L,U,D,R]`: one picture per record in DIR/overview.
bool AsksForOverview(int argc, char** argv);
int RunOverviewCommand(int argc, char** argv);
