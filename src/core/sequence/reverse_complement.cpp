#include "core/sequence/reverse_complement.h"

#include <algorithm>
#include <array>

namespace lirovane {

namespace {

constexpr std::array<char, 256> MakeComplements()
{
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    constexpr const char* kPairs[] = {"AT", "CG", "RY", "KM", "BV", "DH"};
    for (const char* pair : kPairs) {
        for (const std::size_t lower : {std::size_t{0}, std::size_t{'a' - 'A'}}) {
            const std::size_t a = static_cast<unsigned char>(pair[0]) + lower;
            const std::size_t b = static_cast<unsigned char>(pair[1]) + lower;
            table[a] = static_cast<char>(b);
            table[b] = static_cast<char>(a);
        }
    }
    return table;
}

constexpr std::array<char, 256> kComplement = MakeComplements();

} // namespace

void ReverseComplement(std::string& letters)
{
    std::reverse(letters.begin(), letters.end());
    for (char& c : letters)
        c = kComplement[static_cast<unsigned char>(c)];
}

} // namespace lirovane
