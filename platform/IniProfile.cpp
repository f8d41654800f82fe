#include "platform/IniProfile.h"

#include "platform/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringView>
#include <limits>
#include <vector>

namespace IniProfile {
namespace {

bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\v' || u == '\f';
}

QStringView trimmed(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.sliced(b, e - b);
}

struct Line {
    qsizetype start = 0;
    qsizetype length = 0;  // without the line ending
    qsizetype eol = 0;     // length of the line ending: 0 on a last line without one
};

bool isLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

// CR LF, a lone LF and a lone CR each end a line.
std::vector<Line> splitLines(const QString& text) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineBreak(text[end])) ++end;
        Line l;
        l.start = start;
        l.length = end - start;
        if (end < text.size()) l.eol = text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1;
        lines.push_back(l);
        start = end + l.eol;
    }
    return lines;
}

// Blanks at the end of a text, as the profile service drops them from a default.
QString withoutTrailingBlanks(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
    return s.left(e);
}

enum class Kind { Other, Section, Key };

struct Entry {
    Kind kind = Kind::Other;
    QStringView name;
    QStringView value;
};

Entry classify(QStringView line) {
    const QStringView t = trimmed(line);
    Entry e;
    if (t.isEmpty() || t.front() == u';') return e;
    if (t.front() == u'[') {
        const qsizetype close = t.indexOf(u']');
        e.kind = Kind::Section;
        e.name = trimmed(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
        return e;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0) return e;
    e.kind = Kind::Key;
    e.name = trimmed(t.first(eq));
    e.value = trimmed(t.sliced(eq + 1));
    return e;
}

struct Location {
    std::vector<Line> lines;
    bool sectionFound = false;
    int keyLine = -1;        // the line of the key, when found
    int lastInSection = -1;  // the section's header or its last key line
};

Location locate(const QString& text, QStringView section, QStringView key) {
    Location loc;
    loc.lines = splitLines(text);
    bool inSection = false;
    for (int i = 0; i < static_cast<int>(loc.lines.size()); ++i) {
        const Line& l = loc.lines[static_cast<size_t>(i)];
        const Entry e = classify(QStringView(text).sliced(l.start, l.length));
        if (e.kind == Kind::Section) {
            if (inSection) break;  // only the first section of that name counts
            if (e.name.compare(section, Qt::CaseInsensitive) == 0) {
                inSection = true;
                loc.sectionFound = true;
                loc.lastInSection = i;
            }
        } else if (inSection && e.kind == Kind::Key) {
            loc.lastInSection = i;
            if (e.name.compare(key, Qt::CaseInsensitive) == 0) {
                loc.keyLine = i;
                break;
            }
        }
    }
    return loc;
}

// The line ending a file uses (that of its first line), for the lines a write adds; CR LF
// for a file of one line.
QString lineEnding(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') return QStringLiteral("\n");
        if (text[i] == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? QStringLiteral("\r\n") : QStringLiteral("\r");
    }
    return QStringLiteral("\r\n");
}

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'z') return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
    return -1;
}

bool hasLineBreak(const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); }

enum class ReadResult { Ok, Missing, Failed };

ReadResult readFile(const QString& path, QByteArray& out) {
    const QFileInfo info(path);
    if (!info.exists()) return ReadResult::Missing;
    // Only a regular file of bounded size is read: a device or a huge file is no
    // configuration and must not hang or flood the program.
    if (!info.isFile() || info.size() > kMaxFileBytes) return ReadResult::Failed;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return ReadResult::Failed;
    out = f.readAll();
    return out.size() > kMaxFileBytes ? ReadResult::Failed : ReadResult::Ok;
}

// A file without the owner's write permission counts as read-only even for a user
// (root) whom the system would let write it, as a read-only attribute did.
bool isReadOnly(const QFileInfo& fi) {
    return !fi.isWritable() || !(fi.permissions() & QFileDevice::WriteOwner);
}

}  // namespace

std::optional<QString> Find(const QByteArray& bytes, const QString& section, const QString& key) {
    const QString text = QString::fromLatin1(bytes);
    const Location loc = locate(text, trimmed(section), trimmed(key));
    if (loc.keyLine < 0) return std::nullopt;
    const Line& l = loc.lines[static_cast<size_t>(loc.keyLine)];
    QStringView v = classify(QStringView(text).sliced(l.start, l.length)).value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v.toString();
}

std::optional<QByteArray> Put(const QByteArray& bytes, const QString& sectionIn, const QString& keyIn,
                              const QString& value) {
    const QString section = trimmed(sectionIn).toString();
    const QString key = trimmed(keyIn).toString();
    if (section.isEmpty() || hasLineBreak(section) || section.contains(u']')) return std::nullopt;
    if (key.isEmpty() || hasLineBreak(key) || key.contains(u'=') || key.front() == u'[' ||
        key.front() == u';')
        return std::nullopt;
    if (hasLineBreak(value)) return std::nullopt;

    QString text = QString::fromLatin1(bytes);
    const QString eol = lineEnding(text);
    const Location loc = locate(text, section, key);
    if (loc.keyLine >= 0) {
        const Line& l = loc.lines[static_cast<size_t>(loc.keyLine)];
        const QString name = classify(QStringView(text).sliced(l.start, l.length)).name.toString();
        text.replace(l.start, l.length, name + u'=' + value);
    } else if (loc.sectionFound) {
        const Line& l = loc.lines[static_cast<size_t>(loc.lastInSection)];
        const qsizetype at = l.start + l.length + l.eol;
        const QString lead = l.eol == 0 ? eol : QString();
        text.insert(at, lead + key + u'=' + value + eol);
    } else {
        if (!text.isEmpty() && !isLineBreak(text.back())) text += eol;
        text += u'[' + section + u']' + eol + key + u'=' + value + eol;
    }
    return text.toLatin1();
}

// Reads the file that a write will replace; false when it cannot be read or must not be
// written (not a regular file, read-only).
static bool openForWriting(const QString& path, QByteArray& bytes, ReadResult& r) {
    r = readFile(path, bytes);
    if (r == ReadResult::Failed) return false;
    const QFileInfo fi(path);
    return !(r == ReadResult::Ok && (!fi.isFile() || isReadOnly(fi)));
}

struct BatchAccess {
    static Batch*& current() {
        thread_local Batch* b = nullptr;
        return b;
    }
    static Batch* active(const QString& path) {
        for (Batch* b = current(); b; b = b->outer_)
            if (b->path_ == path) return b;
        return nullptr;
    }
    static const QByteArray& text(const Batch& b) { return b.text_; }
    static bool put(Batch& b, const QString& section, const QString& key, const QString& value) {
        if (!b.ok_) return false;
        const auto out = Put(b.text_, section, key, value);
        if (!out) return false;
        b.text_ = *out;
        return true;
    }
};

QString GetString(const QString& path, const QString& section, const QString& key, const QString& defIn) {
    const QString def = withoutTrailingBlanks(defIn);
    if (Batch* b = BatchAccess::active(path)) return Find(BatchAccess::text(*b), section, key).value_or(def);
    QByteArray bytes;
    if (readFile(path, bytes) != ReadResult::Ok) return def;
    return Find(bytes, section, key).value_or(def);
}

int64_t GetInt(const QString& path, const QString& section, const QString& key, int64_t def) {
    const QString v = GetString(path, section, key, QString());
    return v.isEmpty() ? def : ParseInt(v);
}

bool WriteString(const QString& path, const QString& section, const QString& key, const QString& value) {
    if (Batch* b = BatchAccess::active(path)) return BatchAccess::put(*b, section, key, value);
    QByteArray bytes;
    ReadResult r = ReadResult::Failed;
    if (!openForWriting(path, bytes, r)) return false;
    const auto out = Put(bytes, section, key, value);
    if (!out) return false;
    if (r == ReadResult::Ok && *out == bytes) return true;
    return WholeFile::Save(path, *out) == 0;  // a failed write leaves the old file whole
}

Batch::Batch(const QString& path) : path_(path), outer_(BatchAccess::current()) {
    ReadResult r = ReadResult::Failed;
    ok_ = openForWriting(path, text_, r);
    existed_ = r == ReadResult::Ok;
    original_ = text_;
    BatchAccess::current() = this;
}

Batch::~Batch() { BatchAccess::current() = outer_; }

bool Batch::Commit() {
    if (!ok_) return false;
    if (existed_ && text_ == original_) return true;
    error_ = WholeFile::Save(path_, text_);
    ok_ = error_ == 0;
    if (ok_) {
        original_ = text_;
        existed_ = true;
    }
    return ok_;
}

int64_t ParseInt(const QString& text) {
    const QStringView t = trimmed(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
    int base = 10;
    if (i + 1 < t.size() && t[i] == u'0') {
        const char16_t p = t[i + 1].toLower().unicode();
        if (p == 'x') base = 16;
        if (p == 'o') base = 8;
        if (p == 'b') base = 2;
        if (base != 10) i += 2;
    }
    constexpr uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
    uint64_t magnitude = 0;
    for (; i < t.size(); ++i) {
        const int digit = digitValue(t[i]);
        if (digit < 0 || digit >= base) break;
        const auto d = static_cast<uint64_t>(digit);
        magnitude = magnitude > (limit - d) / static_cast<uint64_t>(base)
                        ? limit
                        : magnitude * static_cast<uint64_t>(base) + d;
    }
    if (negative)
        return magnitude >= limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    return magnitude >= limit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(magnitude);
}

}  // namespace IniProfile
