#pragma once
// Access files damaged as disks and copies damage them, made from sound ones with a seeded
// generator, so a failing case repeats.
#include <QByteArray>
#include <random>

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
