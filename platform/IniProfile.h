#pragma once
// Our own reader and writer of INI files with the rules of the Windows private-profile
// service, which the configuration files were written for:
// - "[name]" starts a section; "key=value" lines belong to the section above them;
//   lines starting with ";" are comments; other lines are ignored. CR LF, LF and a lone CR
//   each end a line.
// - Section and key names compare without regard to case; names and values are trimmed;
//   a value enclosed in a matching pair of quotes (' or ") loses them on reading.
// - The first matching section, and in it the first matching key, wins.
// - A write rewrites the key's line in place and keeps every other byte of the file
//   (comments, blank lines, order, line endings); a missing key is added after the last
//   key of its section, a missing section at the end of the file, with the line ending
//   the file uses. The whole file is written atomically, so a crash never leaves half a
//   configuration, and a write that fails (a full disk) leaves the old file whole.
// Text is one byte per character (Latin-1), as the files have always been.
// QSettings is not used: it reorders keys and drops comments.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace IniProfile {

// Files larger than this are not configuration files: reads give defaults, writes fail.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// ---- On the text of a file ----
// The key's value, or nothing when the section or the key is missing.
std::optional<QString> Find(const QByteArray& text, const QString& section, const QString& key);
// The text with the key written, or nothing when the names or the value cannot stand in
// an INI line (empty or multi-line names, a "=" in the key, a "]" in the section, a line
// break in the value).
std::optional<QByteArray> Put(const QByteArray& text, const QString& section, const QString& key,
                              const QString& value);

// ---- On a file (a native path) ----
// The value of the key; def without its trailing blanks when the file, the section or the
// key is missing.
QString GetString(const QString& path, const QString& section, const QString& key, const QString& def);
// The whole number at the start of the value (as ParseInt); def when the key is missing
// or its value is empty.
int64_t GetInt(const QString& path, const QString& section, const QString& key, int64_t def);
// Writes the key, creating the file, the section or the key as needed. False when the
// file cannot be read or written (read-only included); the file is then unchanged.
bool WriteString(const QString& path, const QString& section, const QString& key, const QString& value);

// Groups the writes to one file into one atomic write: while a Batch on a path is alive
// (on this thread), WriteString and the readers of that path work on the batch's copy of
// the text, and Commit writes the whole result at once. So a program killed while it saves
// its configuration leaves the old file or the new one, never a mix of old and new keys.
// A batch that is not committed writes nothing.
class Batch {
public:
    explicit Batch(const QString& path);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Writes the collected text when it differs from the file; false when the file could
    // not be read at the start (read-only included), a write was refused, or the write failed.
    bool Commit();
    // The system's error number of a failed write of Commit (a full disk...); 0 otherwise.
    int Error() const { return error_; }

private:
    friend struct BatchAccess;
    QString path_;
    QByteArray text_;
    QByteArray original_;
    bool existed_ = false;
    bool ok_ = true;
    int error_ = 0;
    Batch* outer_ = nullptr;
};

// The whole number at the start of a text as the profile service reads it: blanks, an
// optional sign, an optional 0x/0o/0b base prefix, then digits up to the first other
// character; no digits give 0. Saturates at the limits of 64 bits.
int64_t ParseInt(const QString& text);

}  // namespace IniProfile
