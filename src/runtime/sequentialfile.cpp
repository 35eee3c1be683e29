#include "sequentialfile.h"

#include <QStringDecoder>

namespace culler {

namespace {

constexpr char quote = '"';

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Walks the bytes once; every step moves forward, so any input ends in linear time.
class FieldReader {
public:
    explicit FieldReader(QByteArrayView bytes)
        : m_bytes(bytes) {}

    QList<QByteArrayView> fields() {
        QList<QByteArrayView> result;
        while (true) {
            skipBlanks();
            if (atEnd())
                return result;
            if (isLineEnd(current())) {
                skipLineEnd();
                continue;
            }
            readLine(result);
        }
    }

private:
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    char current() const { return m_bytes[m_pos]; }
    bool atFieldEnd(qsizetype pos) const {
        return pos >= m_bytes.size() || m_bytes[pos] == ',' || isLineEnd(m_bytes[pos]);
    }

    void skipBlanks() {
        while (!atEnd() && isBlank(current()))
            ++m_pos;
    }

    void skipLineEnd() {
        if (!atEnd() && current() == '\r')
            ++m_pos;
        if (!atEnd() && current() == '\n')
            ++m_pos;
    }

    void readLine(QList<QByteArrayView> &result) {
        while (true) {
            skipBlanks();
            result.append(!atEnd() && current() == quote ? quotedField() : plainField());
            if (atEnd() || current() != ',')
                break;
            ++m_pos;
        }
        skipLineEnd();
    }

    QByteArrayView quotedField() {
        const qsizetype start = m_pos + 1;
        for (qsizetype pos = start; pos < m_bytes.size() && !isLineEnd(m_bytes[pos]); ++pos) {
            if (m_bytes[pos] != quote)
                continue;
            qsizetype after = pos + 1;
            while (after < m_bytes.size() && isBlank(m_bytes[after]))
                ++after;
            if (atFieldEnd(after)) {
                m_pos = after;
                return m_bytes.sliced(start, pos - start);
            }
            // Blanks that lead to anything else are part of the text; the next quote, if any,
            // is at or beyond where they stop, so nothing is looked at twice.
            pos = after - 1;
        }
        qsizetype end = start;
        while (end < m_bytes.size() && !isLineEnd(m_bytes[end]))
            ++end;
        m_pos = end;
        return m_bytes.sliced(start, end - start);
    }

    QByteArrayView plainField() {
        const qsizetype start = m_pos;
        while (!atFieldEnd(m_pos))
            ++m_pos;
        qsizetype end = m_pos;
        while (end > start && isBlank(m_bytes[end - 1]))
            --end;
        return m_bytes.sliced(start, end - start);
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

QByteArray writeRecords(const QStringList &texts) {
    QByteArray bytes;
    for (const QString &text : texts) {
        bytes += quote;
        bytes += text.toUtf8();
        bytes += quote;
        bytes += "\r\n";
    }
    return bytes;
}

QStringList readFields(const QByteArray &bytes) {
    QByteArrayView content(bytes);
    const bool utf8 = isUtf8(content);
    // A byte order mark, as some editors write at the start of a UTF-8 file, is not text.
    if (utf8 && content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);

    // Each field is decoded on its own, and QString::fromUtf8 would drop a U+FEFF that begins
    // one; only the mark at the very start of the file is not text.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    QStringList fields;
    for (const QByteArrayView field : FieldReader(content).fields())
        fields.append(utf8 ? decoder.decode(field) : QString::fromLatin1(field));
    return fields;
}

} // namespace culler
