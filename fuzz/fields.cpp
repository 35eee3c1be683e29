// The filetypes.dat records: any bytes are read without a fault, and a list written and read back
// gives the same entries, so long as no entry holds a double quote or a line end (the format has
// no way to write those). Input: the bytes to read, and also, as UTF-8 text, the list to write,
// one entry per line with its double quotes and carriage returns left out.

#include "property.h"
#include "runtime/sequentialfile.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const QByteArray bytes(input.data(), qsizetype(input.size()));
    culler::readFields(bytes);

    QStringList entries = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString &entry : entries)
        entry.remove(QLatin1Char('"')).remove(QLatin1Char('\r'));
    culler::fuzz::require(culler::readFields(culler::writeRecords(entries)) == entries,
                          "a list written reads back as the same entries", input);
    return 0;
}
