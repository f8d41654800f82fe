#pragma once
// Collects the characters of remote-control requests from one transport. "@" starts a
// frame and discards what was collected before; CR ends it; every other character is
// added. The frame's text stays after its CR until the next "@", so a second CR answers
// the same frame again, and characters that arrive without a starting "@" are collected
// too.
//
// The text is bounded: a frame that grows past kCapacity characters is dropped, and so is
// everything after it (CR included) up to the next "@", so a peer that never ends its
// frame cannot grow memory.
#include <QString>

class RequestCollector {
public:
    static constexpr int kCapacity = 1024;

    // Takes one character; true when it was a CR that ends a frame, which Text() holds.
    bool Feed(QChar c);
    const QString& Text() const { return text_; }

private:
    QString text_;
    bool dropping_ = false;
};
