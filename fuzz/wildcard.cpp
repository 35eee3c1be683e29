// The wildcard matcher against a plain recursive one that follows the rules word for word: "*"
// takes any run of characters, "?" exactly one, anything else matches the same byte. A character
// of a name is a valid UTF-8 sequence, as Qt's decoder reads one, or else a single byte, so that
// "?" takes a whole UTF-8 character and a stray byte alone. Input: the pattern, a zero byte, the
// name.

#include "runtime/wildcard.h"
#include "property.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

// Longer inputs add nothing the matcher has not seen and make the reference slow.
constexpr std::size_t longestPart = 300;

class ReferenceMatcher {
public:
    ReferenceMatcher(std::string_view pattern, std::string_view name)
        : m_pattern(pattern)
        , m_name(name)
        , m_known((pattern.size() + 1) * (name.size() + 1), Unknown)
        , m_characterEnd(name.size()) {
        for (std::size_t at = 0; at < name.size(); ++at)
            m_characterEnd[at] = at + characterLength(name.substr(at));
    }

    bool matches() { return matchesFrom(0, 0); }

private:
    enum Answer : std::uint8_t { Unknown, No, Yes };

    // The longest start of the bytes that decodes to exactly one code point and encodes back to
    // the same bytes: a valid sequence. Anything else is one byte.
    static std::size_t characterLength(std::string_view bytes) {
        for (std::size_t length = std::min<std::size_t>(4, bytes.size()); length > 1; --length) {
            const QByteArray sequence(bytes.data(), qsizetype(length));
            const QString decoded = QString::fromUtf8(sequence);
            if (decoded.toUcs4().size() == 1 && decoded.toUtf8() == sequence)
                return length;
        }
        return 1;
    }

    std::size_t characterEnd(std::size_t at) const { return m_characterEnd[at]; }

    // The recursion follows the rules directly; remembering answers only keeps it from taking
    // exponential time on patterns with many stars.
    bool matchesFrom(std::size_t p, std::size_t n) {
        if (p == m_pattern.size())
            return n == m_name.size();
        Answer &known = m_known[p * (m_name.size() + 1) + n];
        if (known == Unknown)
            known = decide(p, n) ? Yes : No;
        return known == Yes;
    }

    bool decide(std::size_t p, std::size_t n) {
        const bool atEnd = n == m_name.size();
        switch (m_pattern[p]) {
        case '*':
            return matchesFrom(p + 1, n) || (!atEnd && matchesFrom(p, characterEnd(n)));
        case '?':
            return !atEnd && matchesFrom(p + 1, characterEnd(n));
        default:
            return !atEnd && m_pattern[p] == m_name[n] && matchesFrom(p + 1, n + 1);
        }
    }

    std::string_view m_pattern;
    std::string_view m_name;
    std::vector<Answer> m_known;
    std::vector<std::size_t> m_characterEnd;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view patternBytes = input.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    if (patternBytes.size() > longestPart || name.size() > longestPart)
        return 0;

    using culler::fuzz::require;

    // A pattern as the program gets it: typed text, encoded for the file system, so always UTF-8.
    // Raw bytes that are not UTF-8 make no pattern the program can hold (see wildcardMatch).
    const QString pattern = QString::fromUtf8(patternBytes.data(), qsizetype(patternBytes.size()));
    const QByteArray encoded = QFile::encodeName(pattern);
    const std::string_view encodedView(encoded.constData(), std::size_t(encoded.size()));
    require(culler::Wildcard(pattern).matches(name) ==
                ReferenceMatcher(encodedView, name).matches(),
            "Wildcard agrees with the reference matcher", input);

    return 0;
}
