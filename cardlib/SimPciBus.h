#pragma once
// A PCI bus of simulated TRV-600 cards at register level. Each card answers the registers
// the library reads (counts with the ready bit, firmware version, switches and knob, card
// type, analog conversions) and records every write, so that the start-up, timer, output
// and stop sequences can be checked value by value.
#include "PciAccess.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace trv600a {

struct SimWrite {
    int card;  // 1-based scan number
    uint32_t offset;
    uint32_t value;
};

class SimWriteLog {
public:
    void add(const SimWrite& write);
    std::vector<SimWrite> all() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<SimWrite> writes_;
};

class SimCard {
public:
    SimCard(int scanNumber, int type, int version, std::shared_ptr<SimWriteLog> log);

    // The crystal of sensor 0..3: its count follows the gate that was last programmed
    // (a frequency of 0 or less counts 0, no crystal).
    void setFrequency(int sensor, double hz);
    void setCount(int sensor, uint32_t count);
    // The ready bit of register 0. With automatic readiness (the default) the card reports
    // a new set of counts after every counter restart.
    void setReady(bool ready);
    void setAutoReady(bool on);
    // Front panel: the switch bits held (bits 8..14 of register 16, 1 = held) and the
    // knob counter.
    void setSwitches(uint8_t held);
    void setKnob(uint8_t knob);
    // Analog input ch (0..3) as a conversion result; conversions run continuously, channel
    // after channel, each one acknowledged by 48 then 16 written to register 24.
    void setAnalogRaw(int ch, int32_t raw);
    void setAnalogVolts(int ch, double volts);
    void setConverting(bool on);

    uint32_t read32(uint32_t offset);
    void write32(uint32_t offset, uint32_t value);
    // The last value written at offset (0 when never written).
    uint32_t lastWrite(uint32_t offset) const;
    int scanNumber() const { return scanNumber_; }

private:
    uint32_t countOf(int sensor) const;

    const int scanNumber_;
    std::shared_ptr<SimWriteLog> log_;
    mutable std::mutex mutex_;
    int type_;
    int version_;
    std::array<std::optional<double>, 4> frequency_{};
    std::array<uint32_t, 4> count_{};
    bool ready_ = false;
    bool autoReady_ = true;
    int restartStep_ = 0;
    uint8_t held_ = 0;
    uint8_t knob_ = 0;
    std::array<int32_t, 4> analogRaw_{};
    bool converting_ = true;
    int analogChannel_ = 0;
    bool ackStarted_ = false;
    std::array<uint32_t, 64> written_{};
};

class SimPciBus : public IPciAccess {
public:
    // driverPresent false makes the bus unreachable (as a missing kernel driver).
    explicit SimPciBus(bool driverPresent = true);

    // Adds a card at the end of the scan order.
    SimCard& addCard(int type, int version);
    SimCard& card(int scanNumber);  // 1-based
    // Opening card number n fails (an empty handle in the card table).
    void failOpen(int scanNumber);

    std::vector<SimWrite> writes() const { return log_->all(); }
    // Values written to one register of one card, in order.
    std::vector<uint32_t> writesTo(int scanNumber, uint32_t offset) const;
    void clearWrites() { log_->clear(); }

    bool openAndCheck() override { return driverPresent_; }
    int countCards(uint16_t vendor, uint16_t device) override;
    std::unique_ptr<ICardRegisters> openCard(uint16_t vendor, uint16_t device, int n) override;
    std::string lastError() const override { return lastError_; }

private:
    bool driverPresent_;
    std::shared_ptr<SimWriteLog> log_ = std::make_shared<SimWriteLog>();
    std::vector<std::shared_ptr<SimCard>> cards_;
    std::vector<int> failing_;
    std::string lastError_;
};

}  // namespace trv600a
