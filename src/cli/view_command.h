#pragma once

// `lirovane-batch --view FILE ...`: the viewer's picture without a window.
// Returns the process exit status.
int RunViewCommand(int argc, char** argv);
