#pragma once

// The runtime's sequential files as bytes: records written as a quoted text and CR LF, and fields
// read back the way sequential input splits them. Pure functions over memory; no file access.

#include <QByteArray>
#include <QStringList>

namespace culler {

// One record per text: a double quote, the text in UTF-8, a double quote, CR LF. Quotes inside
// the text are written as they are, with no escaping. No texts give no bytes.
QByteArray writeRecords(const QStringList &texts);

// Every field of the bytes in order. A field ends at a comma or a line end (CR LF, LF or CR).
// A field that begins with a double quote runs to its closing quote, the first later quote on
// the line that only blanks separate from a comma or the line end; the quotes are dropped and
// the blanks inside are kept. Without a closing quote it runs to the line end. Unquoted fields
// lose their leading and trailing blanks. Lines holding only blanks give no field, and a comma
// always separates two fields, so "a," gives "a" and an empty field. A final line needs no line
// end. Bytes that are not valid UTF-8 are read as Latin-1, the likeliest single-byte code page.
QStringList readFields(const QByteArray &bytes);

} // namespace culler
