#include "cli/index_command.h"

#include "cli/option_reader.h"

#include "core/sequence/fasta_index.h"

#include <cstdio>
#include <string>
#include <string_view>

bool AsksForIndex(int argc, char** argv)
{
    return argc >= 2 && (std::string_view(argv[1]) == "--index" || std::string_view(argv[1]).starts_with("--index="));
}

int RunIndexCommand(int argc, char** argv)
{
    const std::string_view first = argv[1];
    const bool inlineValue = first.starts_with("--index=");
    if (argc != (inlineValue ? 2 : 3)) {
        std::fputs("lirovane-batch: --index takes one sequence file and nothing else\n", stderr);
        return 2;
    }
    const std::string file = inlineValue ? std::string(first.substr(8)) : std::string(argv[2]);
    if (file.empty()) {
        std::fputs("lirovane-batch: --index needs a sequence file\n", stderr);
        return 2;
    }
    const auto indexed = lirovane::WriteFastaIndex(file);
    if (!indexed) {
        std::fprintf(stderr, "lirovane-batch: cannot index: %s\n", lirovane::cli::Printable(indexed.Message()).c_str());
        return 1;
    }
    for (const std::string& warning : indexed.value())
        std::fprintf(stderr, "lirovane-batch: warning: %s: %s\n", lirovane::cli::Printable(file).c_str(),
                     lirovane::cli::Printable(warning).c_str());
    std::fprintf(stderr, "lirovane-batch: wrote %s.fai\n", lirovane::cli::Printable(file).c_str());
    return 0;
}
