#pragma once

// The values of a command's options as the bytes given in argv. Qt decodes its arguments as text,
// which turns the bytes of a Linux name that is not UTF-8 into replacement characters: a directory
// that is then not found, a pattern that then matches nothing. The options are read as Qt's parser
// reads them ("--name value" and "--name=value"), so the two agree on every value.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace culler {

class RawArguments {
public:
    // valued: the long options that take a value, without their dashes.
    RawArguments(int argc, const char *const *argv, const QStringList &valued);

    // The values given to option, in the order given.
    std::vector<QByteArray> values(const QString &option) const;

private:
    std::map<QString, std::vector<QByteArray>> m_values;
};

} // namespace culler
