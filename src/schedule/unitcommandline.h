#pragma once

// A command line as systemd reads it from a unit's ExecStart=, written and read back byte for
// byte. systemd splits the line into words, removes quotes, undoes C escapes, then expands its
// "%" specifiers in each word and, when the command starts, "$" environment variables; a name
// that holds any of these must come out of all four steps as the bytes it went in.

#include <QByteArray>
#include <QList>
#include <optional>

namespace culler {

// One word per argument: a word of plain characters as it is, any other double-quoted with "\"
// and '"' escaped; control characters and bytes that are not UTF-8 as \xNN; "%" as "%%" and "$"
// as "$$" everywhere.
QByteArray execStartLine(const QList<QByteArray> &arguments);

// The arguments systemd runs for a line of one command, as execStartLine writes it or as a person
// usually does. Nothing for a line it cannot tell for sure: several commands, a "-", "@" or ":"
// before the program, a specifier other than "%%", a variable, an unfinished quote or escape.
std::optional<QList<QByteArray>> execStartArguments(const QByteArray &line);

// Bytes as a person can read them: UTF-8 as it stands, and control characters and bytes that are
// not UTF-8 as \xNN.
QString readableBytes(const QByteArray &bytes);

} // namespace culler
