// Matching installed paths against the installation paths of a package description.
#include "restore/PathTemplate.h"

#include "base/WideText.h"

namespace restore {

PathTemplate::PathTemplate(const std::wstring& text, const std::vector<CTupToken>& moduleTokens) {
    std::vector<std::wstring> names;
    for (const CTupToken& token : moduleTokens) {
        if (!token.Name().empty()) names.push_back(token.Name());
    }
    std::wstring literal;
    for (size_t i = 0; i < text.size();) {
        size_t length = 0;
        if (text.compare(i, 2, L"[$") == 0) {
            const size_t close = text.find(L']', i + 2);
            if (close != std::wstring::npos) length = close + 1 - i;
        }
        for (const auto& name : names) {
            if (!length && text.compare(i, name.size(), name) == 0) length = name.size();
        }
        if (!length) {
            literal += text[i++];
            continue;
        }
        pieces_.push_back({false, literal});
        pieces_.push_back({true, std::wstring()});
        literal.clear();
        i += length;
    }
    pieces_.push_back({false, literal});
}

bool PathTemplate::Matches(std::wstring_view path) const {
    std::vector<bool> at(path.size() + 1, false);  // positions reachable so far
    at[0] = true;
    for (const Piece& piece : pieces_) {
        std::vector<bool> next(path.size() + 1, false);
        if (piece.token) {
            bool reached = false;
            for (size_t p = 0; p <= path.size(); ++p) next[p] = reached = reached || at[p];
        } else {
            const size_t n = piece.text.size();
            for (size_t p = 0; p + n <= path.size(); ++p) {
                if (at[p] && tav::FoldEquals(path.substr(p, n), piece.text)) next[p + n] = true;
            }
        }
        at.swap(next);
    }
    return at[path.size()];
}

}  // namespace restore
