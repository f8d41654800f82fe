#pragma once
// Field splitting and character replacement.
#include <QString>
#include <cstdint>

namespace modStrings {

// Field n (from 1) of Text, fields separated by Delim. A field that does not exist
// (past the last one, or n below 1) gives an empty text, so a short reply never hands
// one field's value to another.
QString GetDelimitedWord(const QString& Text, int32_t n, const QString& Delim);
// Field n as the remote-control requests have always been read: a field past the last one
// starts again from the beginning of the text, and an empty first field gives the whole
// text. Callers rely on this wrap.
QString GetSubString(const QString& Text, int32_t n, const QString& Delim);
// Text with every character equal to Find replaced by Replacement; a Find that is not
// exactly one character matches nothing.
QString ReplaceChars(const QString& Text, const QString& Find, const QString& Replacement);

}  // namespace modStrings
