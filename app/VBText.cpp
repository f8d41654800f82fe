// The text routines with 1-based positions and the original's argument checks.
#include "app/VBConv.h"
#include "platform/RuntimeError.h"

namespace vb {

QString Mid(const QString& text, int start, int length) {
    if (start < 1 || length < -1) throw RuntimeError::InvalidCall();
    if (start > text.size()) return {};
    return length == -1 ? text.mid(start - 1) : text.mid(start - 1, length);
}

QString Left(const QString& text, int length) {
    if (length < 0) throw RuntimeError::InvalidCall();
    return text.left(length);
}

QString Right(const QString& text, int length) {
    if (length < 0) throw RuntimeError::InvalidCall();
    return text.right(length);
}

int InStr(int start, const QString& text, const QString& find, bool textCompare) {
    if (start < 1) throw RuntimeError::InvalidCall();
    if (text.isEmpty() || start > text.size() + 1) return 0;
    if (find.isEmpty()) return start;
    const auto cs = textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return static_cast<int>(text.indexOf(find, start - 1, cs)) + 1;
}

int InStr(const QString& text, const QString& find) { return InStr(1, text, find); }

int InStrRev(const QString& text, const QString& find, int start) {
    if (start == 0 || start < -1) throw RuntimeError::InvalidCall();
    const int len = static_cast<int>(text.size());
    if (start == -1) start = len;
    if (text.isEmpty() || start > len) return 0;
    if (find.isEmpty()) return start;
    // The match must lie wholly within the first start characters.
    const int from = start - static_cast<int>(find.size());
    if (from < 0) return 0;
    return static_cast<int>(text.lastIndexOf(find, from)) + 1;
}

int Len(const QString& text) { return static_cast<int>(text.size()); }

QString LTrim(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    return text.mid(i);
}

QString RTrim(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == u' ') --n;
    return text.left(n);
}

QString Trim(const QString& text) { return LTrim(RTrim(text)); }

QString UCase(const QString& text) { return text.toUpper(); }
QString LCase(const QString& text) { return text.toLower(); }

QString Space(int count) {
    if (count < 0) throw RuntimeError::InvalidCall();
    return QString(count, QLatin1Char(' '));
}

QString String(int count, QChar ch) {
    if (count < 0) throw RuntimeError::InvalidCall();
    return QString(count, ch);
}

int Asc(const QString& text) {
    if (text.isEmpty()) throw RuntimeError::InvalidCall();
    const char16_t c = text[0].unicode();
    return c < 256 ? c : '?';  // one byte per character, as the original's code page
}

QString Chr(int code) {
    if (code < 0 || code > 255) throw RuntimeError::InvalidCall();
    return QString(QChar(static_cast<char16_t>(code)));
}

QString Replace(const QString& text, const QString& find, const QString& with) {
    if (find.isEmpty()) return text;
    QString out = text;
    return out.replace(find, with);
}

}  // namespace vb
