#pragma once
// A ring of the last Size reading texts, addressed by absolute slot number 1..Size
// (slot 0 stays empty). Readers that want the texts oldest first start after Index and
// wrap at Size.
#include "app/Ring.h"

#include <QString>
#include <QVariant>
#include <cstdint>

class cRdgBuff {
public:
    cRdgBuff();

    int32_t Size() const { return ring_.Count(); }
    // Slot of the most recent text; 0 when none.
    int32_t Index() const { return ring_.Position(); }
    // Resizes the ring keeping the remaining texts; 0 or less is ignored.
    void setSize(int32_t lValue);

    void Push(const QString& sValue);
    // The text in the slot when 0 <= Index <= Size (an unwritten slot gives empty text);
    // outside that range an empty value (an invalid QVariant).
    QVariant Reading(int32_t Index) const;
    void Clear();
    // Every slot takes the text of dValue; the ring is full with position 1.
    void Fill(double dValue);

private:
    Ring<QString> ring_{1, 1};
};

// The program's one reading ring; the start routine sets its size.
extern cRdgBuff gRdgBuff;
