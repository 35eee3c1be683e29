#include "cli/rawarguments.h"

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

} // namespace culler
