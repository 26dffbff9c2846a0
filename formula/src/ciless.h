// Name order of every name map of the engine: bytes compared as unsigned values
// after folding A-Z to a-z (no other byte is folded), the shorter name first
// when one is a prefix of the other. MA, Ma and ma are one name.
#pragma once

#include <cstddef>
#include <string>

struct CiLess {
    using is_transparent = void;

    static unsigned char fold(unsigned char c)
    {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    }

    static bool less(const char* a, std::size_t na, const char* b, std::size_t nb)
    {
        const std::size_t n = na < nb ? na : nb;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char ca = fold(static_cast<unsigned char>(a[i]));
            const unsigned char cb = fold(static_cast<unsigned char>(b[i]));
            if (ca != cb)
                return ca < cb;
        }
        return na < nb;
    }

    bool operator()(const std::string& a, const std::string& b) const
    {
        return less(a.data(), a.size(), b.data(), b.size());
    }
};
