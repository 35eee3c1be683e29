#include "wildcard.h"

#include <QFile>

namespace culler {

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the character that starts at name[at]; a stray byte counts as one.
std::size_t characterLength(std::string_view name, std::size_t at) {
    std::size_t length = 1;
    while (at + length < name.size() && isContinuationByte(name[at + length]))
        ++length;
    return length;
}

} // namespace

Wildcard::Wildcard(const QString &pattern)
    : m_pattern(QFile::encodeName(pattern)) {}

bool Wildcard::matches(std::string_view name) const {
    return wildcardMatch(std::string_view(m_pattern.constData(), std::size_t(m_pattern.size())),
                         name);
}

// Greedy matching that remembers only the last "*": on a mismatch the star takes one more
// character and matching resumes behind it. Linear for the usual patterns, never exponential.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;

    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name, n);
            continue;
        }
        if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
            continue;
        }
        if (starAt == std::string_view::npos)
            return false;
        p = starAt + 1;
        resumeAt += characterLength(name, resumeAt);
        n = resumeAt;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace culler
