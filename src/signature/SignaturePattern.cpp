// The small pattern language that recognises signature lines.
//
// A pattern is a plain sequence of one-character classes, each possibly repeated, so whether
// the rest of the pattern can match from a given item and position does not depend on how
// the line got there. Search computes that table once, from the end of the line backwards
// (time and space linear in line length times pattern length), then walks it from the
// leftmost possible start taking the longest repetition that still lets the rest match: the
// same match a backtracking matcher finds, without its exponential worst case. Most lines are
// turned away before that because they lack the pattern's longest literal.
#include "signature/SignaturePattern.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// How seldom a character occurs in script and markup, roughly: letters by their frequency in
// text, blanks and digits as common, other punctuation as rare.
int Rarity(char c) {
    static const char kLettersByFrequency[] = "etaoinshrdlcumwfgypbvkjxqz";
    if (const char* at = c != 0 ? std::strchr(kLettersByFrequency, c) : nullptr) {
        return int(at - kLettersByFrequency);
    }
    if (c == ' ' || c == '\t' || (c >= '0' && c <= '9')) return 0;
    return 20;
}

}  // namespace

CSignaturePattern::CSignaturePattern(std::string_view pattern) {
    using Kind = Item::Kind;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size()) {
            const char next = pattern[++i];
            if (next == 'b') {
                items_.push_back({Kind::Blank, 0, false});
            } else {
                items_.push_back({Kind::Literal, Fold(next), false});
            }
        } else if (c == '*' && !items_.empty() && items_.back().kind != Kind::GroupOpen &&
                   items_.back().kind != Kind::GroupClose) {
            items_.back().repeat = true;  // a second '*' changes nothing
        } else if (c == '.') {
            items_.push_back({Kind::Any, 0, false});
        } else if (c == '{') {
            items_.push_back({Kind::GroupOpen, 0, false});
        } else if (c == '}') {
            items_.push_back({Kind::GroupClose, 0, false});
        } else {
            // Also a '*' with nothing to repeat and a backslash that ends the pattern.
            items_.push_back({Kind::Literal, Fold(c), false});
        }
    }

    // The longest run of literals that each match exactly once. Group boundaries consume
    // nothing, so a run goes on across them.
    std::string run;
    for (const Item& item : items_) {
        if (item.kind == Kind::GroupOpen || item.kind == Kind::GroupClose) continue;
        if (item.kind == Kind::Literal && !item.repeat) {
            run += item.folded;
            if (run.size() > required_.size()) required_ = run;
        } else {
            run.clear();
        }
    }

    // Probe with the two rarest characters of the literal, first and last by position.
    if (required_.size() >= 2) {
        size_t rarest = 0, second = 1;
        if (Rarity(required_[second]) > Rarity(required_[rarest])) std::swap(rarest, second);
        for (size_t i = 2; i < required_.size(); ++i) {
            if (Rarity(required_[i]) > Rarity(required_[rarest])) {
                second = rarest;
                rarest = i;
            } else if (Rarity(required_[i]) > Rarity(required_[second])) {
                second = i;
            }
        }
        probe1_ = std::min(rarest, second);
        probe2_ = std::max(rarest, second);
    }
}

bool CSignaturePattern::MayMatch(std::string_view line) const {
    const size_t length = required_.size();
    if (length == 0) return true;
    if (line.size() < length) return false;
    const char* text = line.data();
    const char* needle = required_.data();
    const size_t lastStart = line.size() - length;
    const auto matchesAt = [&](size_t at) {
        for (size_t i = 0; i < length; ++i) {
            if (Fold(text[at + i]) != needle[i]) return false;
        }
        return true;
    };
    if (length == 1) {
        for (size_t at = 0; at <= lastStart; ++at) {
            if (Fold(text[at]) == needle[0]) return true;
        }
        return false;
    }

    size_t at = 0;
#if defined(__SSE2__)
    // Sixteen starts at a time: both probe characters must be in place, in either case (a
    // letter compares with its 0x20 bit set), before the whole literal is compared.
    const char c1 = needle[probe1_], c2 = needle[probe2_];
    const __m128i fold1 = _mm_set1_epi8(c1 >= 'a' && c1 <= 'z' ? 0x20 : 0);
    const __m128i fold2 = _mm_set1_epi8(c2 >= 'a' && c2 <= 'z' ? 0x20 : 0);
    const __m128i want1 = _mm_set1_epi8(c1), want2 = _mm_set1_epi8(c2);
    const auto candidates = [&](size_t from) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from + probe1_));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from + probe2_));
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fold1), want1),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, fold2), want2));
        return unsigned(_mm_movemask_epi8(hits));
    };
    const auto anyMatch = [&](size_t from, unsigned mask) {
        for (; mask != 0; mask &= mask - 1) {
            if (matchesAt(from + size_t(__builtin_ctz(mask)))) return true;
        }
        return false;
    };
    if (lastStart >= 15) {
        for (; at + 15 <= lastStart; at += 16) {
            if (anyMatch(at, candidates(at))) return true;
        }
        // The last starts in one block that overlaps the ones before.
        return at <= lastStart && anyMatch(lastStart - 15, candidates(lastStart - 15));
    }
#endif
    const char probe = needle[probe1_];
    for (; at <= lastStart; ++at) {
        if (Fold(text[at + probe1_]) == probe && matchesAt(at)) return true;
    }
    return false;
}

bool CSignaturePattern::Search(std::string_view line, std::string& captured) const {
    using Kind = Item::Kind;
    if (!MayMatch(line)) return false;

    const auto matches = [](const Item& item, char c) {
        switch (item.kind) {
            case Kind::Literal: return Fold(c) == item.folded;
            case Kind::Any: return true;
            case Kind::Blank: return c == ' ' || c == '\t';
            default: return false;
        }
    };

    // can[pos][i]: items i.. match from line position pos, one bit per item.
    const size_t n = line.size();
    const size_t m = items_.size();
    const size_t words = (m + 1 + 63) / 64;
    std::vector<uint64_t> can((n + 1) * words, 0);
    const auto bit = [&](size_t pos, size_t i) {
        return (can[pos * words + i / 64] >> (i % 64)) & 1;
    };
    const auto set = [&](size_t pos, size_t i) { can[pos * words + i / 64] |= uint64_t(1) << (i % 64); };

    size_t start = n + 1;
    for (size_t pos = n + 1; pos-- > 0;) {
        set(pos, m);
        for (size_t i = m; i-- > 0;) {
            const Item& item = items_[i];
            bool ok;
            if (item.kind == Kind::GroupOpen || item.kind == Kind::GroupClose) {
                ok = bit(pos, i + 1);
            } else {
                const bool here = pos < n && matches(item, line[pos]);
                ok = item.repeat ? bit(pos, i + 1) || (here && bit(pos + 1, i))
                                 : here && bit(pos + 1, i + 1);
            }
            if (ok) set(pos, i);
        }
        if (bit(pos, 0)) start = pos;
    }
    if (start > n) return false;

    // The match a backtracking matcher finds from the leftmost start: each repetition as
    // long as the rest still matches.
    size_t pos = start;
    size_t open = std::string_view::npos, close = std::string_view::npos;
    for (size_t i = 0; i < m; ++i) {
        const Item& item = items_[i];
        if (item.kind == Kind::GroupOpen) {
            if (open == std::string_view::npos) open = pos;
        } else if (item.kind == Kind::GroupClose) {
            if (open != std::string_view::npos && close == std::string_view::npos) close = pos;
        } else if (!item.repeat) {
            ++pos;
        } else {
            size_t run = 0;
            while (pos + run < n && matches(item, line[pos + run])) ++run;
            while (!bit(pos + run, i + 1)) --run;
            pos += run;
        }
    }
    if (open == std::string_view::npos) {
        captured.clear();
    } else {
        if (close == std::string_view::npos) close = pos;
        captured.assign(line.substr(open, close - open));
    }
    return true;
}
