// Fuzz target of the INI engine: arbitrary bytes as a configuration file, looked up with
// names taken from the bytes themselves, then written back, in memory and through a file.
// Checks that a written key reads back, that a write touches no other key, and that
// writing the same value again changes nothing.
#include "platform/IniProfile.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Candidate names: what stands between "[" and "]" and before "=" on each line, plus a
// few fixed ones, so lookups hit existing sections and keys as well as missing ones.
QList<QString> candidates(const QByteArray& text, char open, char close) {
    QList<QString> names{QStringLiteral("Comm"), QStringLiteral("Display")};
    for (const QByteArray& line : QByteArray(text).replace('\r', '\n').split('\n')) {
        const qsizetype a = open ? line.indexOf(open) : 0;
        const qsizetype b = line.indexOf(close, a + 1);
        if (a >= 0 && b > a)
            names << QString::fromLatin1(line.mid(a + (open ? 1 : 0), b - a - (open ? 1 : 0)));
        if (names.size() >= 5) break;
    }
    return names;
}

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QString> sections = candidates(text, '[', ']');
    const QList<QString> keys = candidates(text, 0, '=');

    for (const QString& s : sections)
        for (const QString& k : keys) {
            const auto v = IniProfile::Find(text, s, k);
            if (v) IniProfile::ParseInt(*v);
        }

    const QString value = QStringLiteral("v%1").arg(size);
    for (qsizetype i = 0; i < sections.size() && i < 3; ++i) {
        const QString& s = sections[i];
        const QString& k = keys[(i * 3 + static_cast<qsizetype>(size)) % keys.size()];
        const auto out = IniProfile::Put(text, s, k, value);
        if (!out) continue;
        check(IniProfile::Find(*out, s, k) == value);
        check(IniProfile::Put(*out, s, k, value) == out);
        for (const QString& s2 : sections)
            for (const QString& k2 : keys)
                if (!(sameName(s, s2) && sameName(k, k2)))
                    check(IniProfile::Find(*out, s2, k2) == IniProfile::Find(text, s2, k2));
    }

    // The same write through a file: what lands on disk is what Put made of the text.
    // Every fourth input only, as each write is synced to the disk.
    if (size % 4 != 0 || !scratch().isValid()) return 0;
    const QString path = scratch().filePath(QStringLiteral("fuzz.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(text);
    }
    const QString& s = sections.back();
    const QString& k = keys.back();
    const auto expected = IniProfile::Put(text, s, k, value);
    check(IniProfile::WriteString(path, s, k, value) == expected.has_value());
    if (expected) {
        check(IniProfile::GetString(path, s, k, QStringLiteral("default")) == value);
        QFile f(path);
        check(f.open(QIODevice::ReadOnly) && f.readAll() == *expected);
    }
    return 0;
}
