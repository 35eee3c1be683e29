#include "schedule/unitcommandline.h"

#include <QString>
#include <cstring>

namespace culler {

namespace {

unsigned char byteAt(const QByteArray &bytes, qsizetype at) {
    return static_cast<unsigned char>(bytes[at]);
}

// The length of the UTF-8 character at, 1 for ASCII; 0 when the bytes there are not UTF-8
// (a stray continuation byte, a sequence cut short, an overlong form, a surrogate).
qsizetype utf8Length(const QByteArray &bytes, qsizetype at) {
    const unsigned char lead = byteAt(bytes, at);
    if (lead < 0x80)
        return 1;
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    auto code = static_cast<char32_t>(lead & (0x7F >> length));
    for (qsizetype i = 1; i < length; ++i) {
        if ((byteAt(bytes, at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byteAt(bytes, at + i) & 0x3Fu);
    }
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

QByteArray hexEscape(unsigned char byte) {
    return QByteArrayLiteral("\\x") + QByteArray::number(byte, 16).rightJustified(2, '0');
}

// Characters a word may hold without quotes: none of them means anything to systemd or a shell.
bool isPlain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("/._+,:=@*?-", c) != nullptr);
}

QByteArray word(const QByteArray &argument) {
    bool plain = !argument.isEmpty();
    for (const char c : argument)
        plain = plain && isPlain(c);
    if (plain)
        return argument;
    QByteArray quoted = "\"";
    for (qsizetype at = 0; at < argument.size();) {
        const qsizetype length = utf8Length(argument, at);
        const unsigned char byte = byteAt(argument, at);
        if (length > 1) {
            quoted += argument.mid(at, length);
            at += length;
            continue;
        }
        ++at;
        if (length == 0 || byte < 0x20 || byte == 0x7F)
            quoted += hexEscape(byte);
        else if (byte == '\\' || byte == '"')
            quoted += '\\' + QByteArray(1, char(byte));
        else if (byte == '%' || byte == '$')
            quoted += QByteArray(2, char(byte)); // a specifier, a variable
        else
            quoted += char(byte);
    }
    return quoted + '"';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The byte of the C escape whose letter is at line[at], moving at to its last character;
// nothing for an escape systemd refuses (a NUL, an unknown letter) or one this reader leaves out
// (\u, \U).
std::optional<char> unescape(const QByteArray &line, qsizetype &at) {
    static const char plain[] = "abfnrtv\\\"'s";
    static const char meant[] = "\a\b\f\n\r\t\v\\\"' ";
    const char c = line[at];
    if (const char *found = std::strchr(plain, c); found != nullptr && c != '\0')
        return meant[found - plain];
    int value = 0;
    if (c == 'x' && at + 2 < line.size() && hexDigit(line[at + 1]) >= 0 &&
        hexDigit(line[at + 2]) >= 0) {
        value = hexDigit(line[at + 1]) * 16 + hexDigit(line[at + 2]);
        at += 2;
    } else if (c >= '0' && c <= '7' && at + 2 < line.size()) {
        for (qsizetype i = 0; i < 3; ++i) {
            if (line[at + i] < '0' || line[at + i] > '7')
                return std::nullopt;
            value = value * 8 + (line[at + i] - '0');
        }
        at += 2;
    }
    if (value <= 0 || value > 0xFF)
        return std::nullopt;
    return char(value);
}

// A word after specifiers and variables, when it holds none but "%%" and "$$".
std::optional<QByteArray> expanded(const QByteArray &word) {
    QByteArray bytes;
    for (qsizetype at = 0; at < word.size(); ++at) {
        const char c = word[at];
        if (c == '%' || c == '$') {
            if (at + 1 == word.size() || word[at + 1] != c)
                return std::nullopt;
            ++at;
        }
        bytes += c;
    }
    return bytes;
}

} // namespace

QByteArray execStartLine(const QList<QByteArray> &arguments) {
    QByteArray line;
    for (const QByteArray &argument : arguments) {
        if (!line.isEmpty())
            line += ' ';
        line += word(argument);
    }
    return line;
}

std::optional<QList<QByteArray>> execStartArguments(const QByteArray &line) {
    QList<QByteArray> words;
    qsizetype at = 0;
    for (;;) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        if (at == line.size())
            break;
        if (line[at] == ';' && (at + 1 == line.size() || isBlank(line[at + 1])))
            return std::nullopt; // a second command
        QByteArray word;
        char quote = 0;
        for (; at < line.size() && (quote != 0 || !isBlank(line[at])); ++at) {
            const char c = line[at];
            if (quote != 0 && c == quote) {
                quote = 0;
            } else if (quote == 0 && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c != '\\') {
                word += c;
            } else if (++at == line.size()) {
                return std::nullopt;
            } else if (const std::optional<char> byte = unescape(line, at)) {
                word += *byte;
            } else {
                return std::nullopt;
            }
        }
        const std::optional<QByteArray> argument = expanded(word);
        if (quote != 0 || !argument)
            return std::nullopt;
        words << *argument;
    }
    if (words.isEmpty() || !words.front().startsWith('/'))
        return std::nullopt;
    return words;
}

QString readableBytes(const QByteArray &bytes) {
    QString text;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8Length(bytes, at);
        const unsigned char byte = byteAt(bytes, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            text += QString::fromLatin1(hexEscape(byte));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.mid(at, length));
        at += length;
    }
    return text;
}

} // namespace culler
