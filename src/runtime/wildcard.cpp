#include "wildcard.h"

#include <QFile>
#include <utility>

namespace culler {

namespace {

unsigned char byteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

// A stray continuation byte is a character of its own.
std::size_t utf8CharacterLength(std::string_view name, std::size_t at) {
    const unsigned char lead = byteAt(name, at);
    // The bounds of the second byte exclude overlong forms, surrogates and values past U+10FFFF,
    // so every sequence taken whole is one a UTF-8 decoder would accept.
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 1 || at + length > name.size())
        return 1;
    const unsigned char second = byteAt(name, at + 1);
    if (second < low || second > high)
        return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuationByte(byteAt(name, at + i)))
            return 1;
    }
    return length;
}

Wildcard::Wildcard(QByteArray pattern)
    : m_pattern(std::move(pattern)) {
    if (!m_pattern.startsWith('*'))
        return;
    const std::string_view literal = literalAfterStar();
    m_starThenLiteral = literal.find_first_of("*?") == std::string_view::npos &&
                        (literal.empty() || byteAt(literal, 0) < 0x80);
}

std::string_view Wildcard::literalAfterStar() const {
    return std::string_view(m_pattern.constData() + 1, std::size_t(m_pattern.size() - 1));
}

Wildcard::Wildcard(const QString &pattern)
    : Wildcard(QFile::encodeName(pattern)) {}

bool Wildcard::matches(std::string_view name) const {
    // Most patterns are an extension after a star: a comparison of the name's last bytes.
    if (m_starThenLiteral)
        return name.ends_with(literalAfterStar());
    return wildcardMatch(std::string_view(m_pattern.constData(), std::size_t(m_pattern.size())),
                         name);
}

Wildcards::Wildcards(const std::vector<QByteArray> &patterns) {
    m_patterns.reserve(patterns.size());
    for (const QByteArray &pattern : patterns)
        m_patterns.emplace_back(pattern);
}

bool Wildcards::matchesAny(std::string_view name) const {
    for (const Wildcard &pattern : m_patterns) {
        if (pattern.matches(name))
            return true;
    }
    return false;
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
            n += utf8CharacterLength(name, n);
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
        resumeAt += utf8CharacterLength(name, resumeAt);
        n = resumeAt;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace culler
