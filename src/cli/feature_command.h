#pragma once

#include "cli/batch_options.h"

#include <csignal>

namespace lirovane::cli {

// lirovane-batch --bed/--gff: galleries of features. The run stops between pictures
// once `*stop` is not 0. Returns the process exit status.
int RunFeatureBatch(const BatchOptions& options, const volatile std::sig_atomic_t* stop);

} // namespace lirovane::cli
