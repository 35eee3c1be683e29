#pragma once

// File name patterns: "*" matches any run of characters (none too), "?" exactly one character,
// everything else itself, over the whole name and with case. Names are the file system's bytes;
// "?" takes one whole valid UTF-8 character, or else one byte. "*.*" has no special meaning: it
// needs a dot.

#include <QByteArray>
#include <QString>
#include <string_view>
#include <vector>

namespace culler {

class Wildcard {
public:
    // The pattern as the file system's bytes, as a script gives it.
    explicit Wildcard(QByteArray pattern);
    // The pattern as typed, in the file system's encoding.
    explicit Wildcard(const QString &pattern);

    bool matches(std::string_view name) const;

private:
    // The pattern's bytes after its leading "*".
    std::string_view literalAfterStar() const;

    QByteArray m_pattern;
    // A star and then only plain bytes, the first of them ASCII ("*.tmp"): such a pattern matches
    // the names that end in those bytes, since an ASCII byte always begins a character.
    bool m_starThenLiteral = false;
};

// Several patterns as one: a name matches when it matches any of them. No pattern matches nothing.
class Wildcards {
public:
    explicit Wildcards(const std::vector<QByteArray> &patterns);

    bool matchesAny(std::string_view name) const;

private:
    std::vector<Wildcard> m_patterns;
};

// The length of the character that starts at text[at]: a whole valid UTF-8 sequence, or else the
// one byte.
std::size_t utf8CharacterLength(std::string_view text, std::size_t at);

// The pattern is UTF-8 text, as Wildcard encodes it; the name may be any bytes. A pattern that is
// not UTF-8 (a stray continuation byte after a star) can miss a match.
bool wildcardMatch(std::string_view pattern, std::string_view name);

} // namespace culler
