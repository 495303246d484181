// The small pattern language that recognises signature lines.
//
// A pattern is a plain sequence of one-character classes, each possibly repeated, so whether
// the rest of the pattern can match from a given item and position does not depend on how
// the line got there. Search computes that table once, from the end of the line backwards
// (time and space linear in line length times pattern length), then walks it from the
// leftmost possible start taking the longest repetition that still lets the rest match: the
// same match a backtracking matcher finds, without its exponential worst case.
#include "signature/SignaturePattern.h"

#include <cstring>

namespace {

inline char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// At most this many characters of the required literal are used for the pre-filter.
constexpr size_t kMaxRequired = 255;

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
    if (required_.size() > kMaxRequired) required_.resize(kMaxRequired);

    // Skip distances by the window's last byte, in either case (Horspool).
    const size_t length = required_.size();
    std::memset(shift_, int(length), sizeof shift_);
    for (size_t i = 0; i + 1 < length; ++i) {
        const char c = required_[i];
        shift_[uint8_t(c)] = uint8_t(length - 1 - i);
        if (c >= 'a' && c <= 'z') shift_[uint8_t(c - 'a' + 'A')] = uint8_t(length - 1 - i);
    }
}

bool CSignaturePattern::MayMatch(std::string_view line) const {
    const size_t length = required_.size();
    if (length == 0) return true;
    if (line.size() < length) return false;
    const char* text = line.data();
    const char* needle = required_.data();
    const char last = needle[length - 1];
    const size_t end = line.size() - length;
    for (size_t at = 0; at <= end;) {
        const char c = text[at + length - 1];
        if (Fold(c) == last) {
            size_t i = 0;
            while (i + 1 < length && Fold(text[at + i]) == needle[i]) ++i;
            if (i + 1 == length) return true;
        }
        at += shift_[uint8_t(c)];
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
