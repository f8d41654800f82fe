// Start-up and stop of the cards: discovery, ordering, the reset of the master card,
// firmware versions, and the quiet state written at stop.
#include "Engine.h"

#include <algorithm>
#include <utility>

namespace trv600a {

namespace {

constexpr int kMasterType = 31;
constexpr int kSecondType = 15;

int typeOf(int32_t reg24)
{
    return (static_cast<uint32_t>(reg24) >> 16) & 0xFF;
}

int32_t versionOf(CardState& st, int card)
{
    const int32_t version = static_cast<int32_t>(readReg(st, card, 16) >> 16);
    return version >= 200 && version <= 500 ? version : 0;
}

void swapCards(CardState& st, int a, int b)
{
    std::swap(st.cards[a], st.cards[b]);
    std::swap(st.typeReg[a], st.typeReg[b]);
}

void resetSequence(Engine& e)
{
    CardState& st = e.state;
    writeReg(st, 0, 24, 4);
    e.sleepMs(5);
    writeReg(st, 0, 24, 12);
    writeReg(st, 0, 24, 4);
    e.sleepMs(300);
    writeReg(st, 0, 24, 0);
    e.sleepMs(5);
    writeReg(st, 0, 24, 16);
}

// The master card (type 31 or 30) to position 0, a type-15 card to position 1, the
// others in ascending order of their whole register 24.
void orderCards(CardState& st)
{
    const int n = st.numCards;
    if (typeOf(st.typeReg[0]) != kMasterType && typeOf(st.typeReg[0]) != kExtendedType) {
        for (int i = 1; i < n; ++i)
            if (typeOf(st.typeReg[i]) == kMasterType || typeOf(st.typeReg[i]) == kExtendedType)
                swapCards(st, i, 0);
    }
    if (typeOf(st.typeReg[1]) != kSecondType) {
        for (int i = 1; i < n; ++i)
            if (typeOf(st.typeReg[i]) == kSecondType)
                swapCards(st, i, 1);
    }
    for (int pass = 0; pass < n; ++pass)
        for (int i = 3; i < n; ++i)
            if (st.typeReg[i] < st.typeReg[i - 1])
                swapCards(st, i, i - 1);
}

void discover(Engine& e)
{
    CardState& st = e.state;
    for (auto& card : st.cards)
        card.reset();
    st.typeReg.fill(0);
    st.numCards = 0;
    st.multiCard = false;
    st.noCard = false;

    std::shared_ptr<IPciAccess> pci = e.pci();
    if (!pci->openAndCheck()) {
        st.status = kStatusNoDriver;
        return;
    }
    const int count = pci->countCards(kVendorId, kDeviceId);
    if (count <= 0) {
        st.status = kStatusNoCard;
        st.noCard = true;
        return;
    }
    st.status = kStatusCards;
    // More cards than the table holds: the first six of the scan.
    st.numCards = std::min(count, kMaxCards);
    for (int i = 0; i < st.numCards; ++i) {
        st.cards[i] = pci->openCard(kVendorId, kDeviceId, i + 1);
        st.typeReg[i] = static_cast<int32_t>(readReg(st, i, 24));
    }
    if (st.numCards == 1) {
        st.multiCard = false;
    } else {
        st.multiCard = true;
        orderCards(st);
        writeReg(st, 0, 16, 2);
    }
    if (typeOf(st.typeReg[0]) == kExtendedType) {
        st.extended = 1;
        resetSequence(e);
    } else {
        st.extended = 0;
    }
}

}  // namespace

void setPlaceholderMaterials(CardState& st)
{
    for (int i = 0; i < kSensors; ++i) {
        SensorState& s = st.sensor[i];
        if (s.materialGiven)
            continue;
        s.density = 3.0 * i;
        s.zRatio = 3.0 * i + 1;
        s.tooling = 3.0 * i + 2;
    }
}

void clearOutputCodes(CardState& st)
{
    st.codeUpper.fill(0);
    st.codeLower.fill(0);
    if (st.extended) {
        st.extUpper = 0;
        st.extLower = 0;
    }
}

int32_t startCards(Engine& e, int32_t* versions)
{
    {
        std::lock_guard lock(e.mutex);
        CardState& st = e.state;
        if (st.started) {
            if (versions)
                for (int k = 0; k < st.numCards; ++k)
                    versions[1 + k] = st.versions[k];
            return 0;
        }
        st.started = true;
        st.stopFlag = false;
    }
    e.startThreads();

    std::lock_guard lock(e.mutex);
    CardState& st = e.state;
    discover(e);
    if (st.noCard)
        st.simulate = 1;
    if (st.status != kStatusCards)
        return st.status;

    st.writeIndex = st.readIndex = 0;
    st.analogWriteIndex = st.analogReadIndex = 0;
    st.versions.fill(0);
    for (int k = 0; k < st.numCards; ++k)
        st.versions[k] = versionOf(st, k);
    st.refClock = st.versions[0] < 202 ? 153000000.0 : 199065600.0;
    st.extVersion = st.extended && st.versions[0] != 0 ? st.versions[0] : 0;
    if (versions) {
        for (int k = 0; k < st.numCards; ++k)
            versions[1 + k] = st.versions[k];
        versions[7] = st.extVersion;
    }
    if (!st.simulate) {
        for (int k = 0; k < st.numCards; ++k)
            if (st.versions[k] != 0)
                writeReg(st, k, 8, 0);
        clearOutputCodes(st);
    }
    for (int s = 0; s < st.sensorCount; ++s)
        st.sensor[s].zeroRequest = true;
    return kStatusCards;
}

int32_t stopCards(Engine& e)
{
    {
        std::lock_guard lock(e.mutex);
        e.state.started = false;
        e.state.stopFlag = true;
    }
    e.measEvent.setWait(kInfinite);
    e.analogEvent.setWait(kInfinite);
    // Both threads end before the cards are touched, so no cycle still reads them.
    e.joinThreads();

    std::lock_guard lock(e.mutex);
    CardState& st = e.state;
    if (st.status == kStatusCards) {
        // Counters and outputs are stopped in either mode: a switch to simulation before
        // the stop (as the program's exit makes) must not leave a card counting.
        for (int k = 0; k < st.numCards; ++k)
            writeReg(st, k, 12, 0);
        writeReg(st, 0, 24, 0);
        // The extended flag is already cleared by the call; the card's type still tells.
        zeroOutputs(st, typeOf(st.typeReg[0]) == kExtendedType);
    }
    // Closing a card releases and unmaps it.
    for (auto& card : st.cards)
        card.reset();
    return 0;
}

}  // namespace trv600a
