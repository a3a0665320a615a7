#pragma once

// Command-line arguments from fuzz input: the bytes split at NUL into arguments.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lirovane::fuzz {

class FuzzArgs {
public:
    // At most `limit` arguments after the program name; the rest of the input is dropped.
    FuzzArgs(std::string_view text, std::size_t limit = 64)
    {
        while (!text.empty() && m_args.size() < limit) {
            const std::size_t end = std::min(text.find('\0'), text.size());
            m_args.emplace_back(text.substr(0, end));
            text.remove_prefix(std::min(end + 1, text.size()));
        }
        m_argv.push_back(m_program.data());
        for (std::string& arg : m_args)
            m_argv.push_back(arg.data());
        m_argv.push_back(nullptr);
    }
    FuzzArgs(const FuzzArgs&) = delete;
    FuzzArgs& operator=(const FuzzArgs&) = delete;

    int argc() const { return static_cast<int>(m_argv.size() - 1); }
    char** argv() { return m_argv.data(); }
    const std::vector<std::string>& Args() const { return m_args; }
    std::vector<std::string_view> Views() const { return {m_args.begin(), m_args.end()}; }

private:
    std::string m_program = "lirovane-batch";
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
};

} // namespace lirovane::fuzz
