#include "SimPciBus.h"

#include <algorithm>
#include <cmath>

namespace trv600a {

namespace {

constexpr double kVoltsPerStep = 1.907352270798246e-05;
constexpr int32_t kAnalogZero = 1 << 19;

class SimCardHandle : public ICardRegisters {
public:
    explicit SimCardHandle(std::shared_ptr<SimCard> card) : card_(std::move(card)) {}
    uint32_t read32(uint32_t offset) override { return card_->read32(offset); }
    void write32(uint32_t offset, uint32_t value) override { card_->write32(offset, value); }

private:
    std::shared_ptr<SimCard> card_;
};

}  // namespace

void SimWriteLog::add(const SimWrite& write)
{
    std::lock_guard lock(mutex_);
    writes_.push_back(write);
}

std::vector<SimWrite> SimWriteLog::all() const
{
    std::lock_guard lock(mutex_);
    return writes_;
}

void SimWriteLog::clear()
{
    std::lock_guard lock(mutex_);
    writes_.clear();
}

SimCard::SimCard(int scanNumber, int type, int version, std::shared_ptr<SimWriteLog> log)
    : scanNumber_(scanNumber), log_(std::move(log)), type_(type), version_(version)
{
    analogRaw_.fill(kAnalogZero);
}

void SimCard::setFrequency(int sensor, double hz)
{
    std::lock_guard lock(mutex_);
    frequency_.at(static_cast<size_t>(sensor)) = hz;
}

void SimCard::setCount(int sensor, uint32_t count)
{
    std::lock_guard lock(mutex_);
    frequency_.at(static_cast<size_t>(sensor)).reset();
    count_.at(static_cast<size_t>(sensor)) = count;
}

void SimCard::setReady(bool ready)
{
    std::lock_guard lock(mutex_);
    ready_ = ready;
}

void SimCard::setAutoReady(bool on)
{
    std::lock_guard lock(mutex_);
    autoReady_ = on;
}

void SimCard::setSwitches(uint8_t held)
{
    std::lock_guard lock(mutex_);
    held_ = held & 0x7F;
}

void SimCard::setKnob(uint8_t knob)
{
    std::lock_guard lock(mutex_);
    knob_ = knob;
}

void SimCard::setAnalogRaw(int ch, int32_t raw)
{
    std::lock_guard lock(mutex_);
    analogRaw_.at(static_cast<size_t>(ch)) = raw;
}

void SimCard::setAnalogVolts(int ch, double volts)
{
    setAnalogRaw(ch, static_cast<int32_t>(std::lround(kAnalogZero - volts / kVoltsPerStep)));
}

void SimCard::setConverting(bool on)
{
    std::lock_guard lock(mutex_);
    converting_ = on;
}

uint32_t SimCard::countOf(int sensor) const
{
    const auto& f = frequency_[static_cast<size_t>(sensor)];
    if (!f)
        return count_[static_cast<size_t>(sensor)];
    if (*f <= 0)
        return 0;
    // The card's reference clock, as the library assumes it from the firmware version.
    const double clock = version_ >= 202 && version_ <= 500 ? 199065600.0 : 153000000.0;
    const double gate = static_cast<double>(~written_[4 / 4]);
    return static_cast<uint32_t>(std::llround(gate * clock / *f)) & 0x3FFFFFFFu;
}

uint32_t SimCard::read32(uint32_t offset)
{
    std::lock_guard lock(mutex_);
    switch (offset) {
    case 0:
        return (ready_ ? 0x80000000u : 0u) | countOf(3);
    case 4:
        return countOf(0);
    case 8:
        return countOf(1);
    case 12:
        return countOf(2);
    case 16:
        return (static_cast<uint32_t>(version_) << 16) |
               (static_cast<uint32_t>(~held_ & 0x7F) << 8) | knob_;
    case 24:
        return static_cast<uint32_t>(type_ & 0xFF) << 16;
    case 28:
    case 32:
    case 36:
    case 40:
        return static_cast<uint32_t>(analogRaw_[(offset - 28) / 4]);
    case 44:
        return converting_ ? 4u | static_cast<uint32_t>((analogChannel_ + 1) & 3) : 0u;
    default:
        return offset % 4 == 0 && offset / 4 < written_.size() ? written_[offset / 4] : 0;
    }
}

void SimCard::write32(uint32_t offset, uint32_t value)
{
    log_->add({scanNumber_, offset, value});
    std::lock_guard lock(mutex_);
    if (offset % 4 == 0 && offset / 4 < written_.size())
        written_[offset / 4] = value;
    if (offset == 12) {
        // The counter restart is 0, 1, 3, 1: counting starts on its last write.
        const int step = restartStep_;
        restartStep_ = 0;
        if (value == 0) {
            ready_ = false;
            restartStep_ = 1;
        } else if (value == 1 && step == 1) {
            restartStep_ = 2;
        } else if (value == 3 && step == 2) {
            restartStep_ = 3;
        } else if (value == 1 && step == 3 && autoReady_) {
            ready_ = true;
        }
    } else if (offset == 24) {
        if (value == 48) {
            ackStarted_ = true;
        } else {
            if (value == 16 && ackStarted_)
                analogChannel_ = (analogChannel_ + 1) & 3;
            ackStarted_ = false;
        }
    }
}

uint32_t SimCard::lastWrite(uint32_t offset) const
{
    std::lock_guard lock(mutex_);
    return offset % 4 == 0 && offset / 4 < written_.size() ? written_[offset / 4] : 0;
}

SimPciBus::SimPciBus(bool driverPresent) : driverPresent_(driverPresent) {}

SimCard& SimPciBus::addCard(int type, int version)
{
    const int number = static_cast<int>(cards_.size()) + 1;
    cards_.push_back(std::make_shared<SimCard>(number, type, version, log_));
    return *cards_.back();
}

SimCard& SimPciBus::card(int scanNumber)
{
    return *cards_.at(static_cast<size_t>(scanNumber - 1));
}

void SimPciBus::failOpen(int scanNumber)
{
    failing_.push_back(scanNumber);
}

std::vector<uint32_t> SimPciBus::writesTo(int scanNumber, uint32_t offset) const
{
    std::vector<uint32_t> values;
    for (const SimWrite& w : log_->all())
        if (w.card == scanNumber && w.offset == offset)
            values.push_back(w.value);
    return values;
}

int SimPciBus::countCards(uint16_t vendor, uint16_t device)
{
    if (!driverPresent_ || vendor != kVendorId || device != kDeviceId)
        return 0;
    if (cards_.empty())
        lastError_ = "no cards found\n";
    return static_cast<int>(cards_.size());
}

std::unique_ptr<ICardRegisters> SimPciBus::openCard(uint16_t vendor, uint16_t device, int n)
{
    if (countCards(vendor, device) == 0) {
        lastError_ = "Could not find PCI card\n";
        return nullptr;
    }
    if (n < 1 || n > static_cast<int>(cards_.size())) {
        lastError_ = "Card out of range of available cards\n";
        return nullptr;
    }
    if (std::find(failing_.begin(), failing_.end(), n) != failing_.end()) {
        lastError_ = "Failed locking device.\n";
        return nullptr;
    }
    return std::make_unique<SimCardHandle>(cards_[static_cast<size_t>(n - 1)]);
}

}  // namespace trv600a
