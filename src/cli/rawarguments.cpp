#include "cli/rawarguments.h"

#include "runtime/wildcard.h"

#include <string_view>

namespace culler {

RawArguments::RawArguments(int argc, const char *const *argv, const QStringList &valued) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        // Everything after "--" is an operand, never an option.
        if (argument == "--")
            return;
        for (const QString &option : valued) {
            const QByteArray name = "--" + option.toLatin1();
            if (argument == name && i + 1 < argc) {
                m_values[option].emplace_back(argv[++i]);
                break;
            }
            if (argument.startsWith(name + '=')) {
                m_values[option].push_back(argument.mid(name.size() + 1));
                break;
            }
        }
    }
}

std::vector<QByteArray> RawArguments::values(const QString &option) const {
    const auto found = m_values.find(option);
    return found == m_values.end() ? std::vector<QByteArray>() : found->second;
}

QString shownBytes(const QByteArray &bytes) {
    const std::string_view text(bytes.constData(), std::size_t(bytes.size()));
    QString shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8CharacterLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 1 && (byte < 0x20 || byte >= 0x7F))
            shown += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            shown += QString::fromUtf8(text.data() + at, qsizetype(length));
        at += length;
    }
    return shown;
}

} // namespace culler
