#pragma once
// Access files damaged as disks and copies damage them, made from sound ones with a seeded
// generator, so a failing case repeats.
#include <QByteArray>
#include <QString>
#include <random>
#include <vector>

enum class JetDamage {
    Truncated,       // cut anywhere
    HeaderFlips,     // bits flipped in the first page (header and database definition)
    DataPageFlips,   // bits flipped in the pages after it
    RandomAfterHead  // a sound first page followed by random bytes
};

inline QByteArray Damaged(const QByteArray& sound, JetDamage damage, std::mt19937& rng) {
    constexpr int kPage = 4096;
    QByteArray b = sound;
    const auto flip = [&](int from, int to) {
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0; --n) {
            const int at = from + static_cast<int>(rng() % static_cast<unsigned>(to - from));
            b[at] = static_cast<char>(b[at] ^ (1 << (rng() % 8)));
        }
    };
    switch (damage) {
    case JetDamage::Truncated: b.truncate(static_cast<int>(rng() % static_cast<unsigned>(b.size()))); break;
    case JetDamage::HeaderFlips: flip(0, kPage); break;
    case JetDamage::DataPageFlips: flip(kPage, static_cast<int>(b.size())); break;
    case JetDamage::RandomAfterHead: {
        b.truncate(kPage);
        const int extra = static_cast<int>(rng() % (64 * kPage));
        for (int i = 0; i < extra; ++i) b.append(static_cast<char>(rng()));
        break;
    }
    }
    return b;
}

// The data pages of an Access (Jet 4) file: the pages of its tables' rows, of their long
// texts, and of their usage maps (page type 1), the system tables' included.
inline std::vector<int> DataPages(const QByteArray& file) {
    constexpr int kPage = 4096;
    std::vector<int> pages;
    for (int page = 1; (page + 1) * kPage <= file.size(); ++page)
        if (file[page * kPage] == 1) pages.push_back(page);
    return pages;
}

// The file with one page replaced: by zeros, or by random bytes.
inline QByteArray WithPage(const QByteArray& file, int page, bool zeroed, std::mt19937& rng) {
    constexpr int kPage = 4096;
    QByteArray b = file;
    for (int i = page * kPage; i < (page + 1) * kPage; ++i) b[i] = zeroed ? '\0' : static_cast<char>(rng());
    return b;
}

// An Access file that is no recipe database: the names of its tables Processes, Layers and
// Films changed in its catalog (as UTF-16 texts), so it holds none of them.
inline QByteArray WithoutRecipeTables(const QByteArray& file) {
    QByteArray b = file;
    for (const char* name : {"Processes", "Layers", "Films"}) {
        const QString text = QString::fromLatin1(name);
        const QByteArray from(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        QString renamed = text;
        renamed[0] = QLatin1Char('X');
        const QByteArray to(reinterpret_cast<const char*>(renamed.utf16()), renamed.size() * 2);
        b.replace(from, to);
    }
    return b;
}
