#pragma once
// Access to the TRV-600 cards on the PCI bus: find them, open one, and read or write its
// 32-bit registers at byte offsets of its first address space.
#include <cstdint>
#include <memory>
#include <string>

namespace trv600a {

inline constexpr uint16_t kVendorId = 0x1172;
inline constexpr uint16_t kDeviceId = 4;

// One open card. Closing it (destroying the object) releases and unmaps it.
class ICardRegisters {
public:
    virtual ~ICardRegisters() = default;
    virtual uint32_t read32(uint32_t offset) = 0;
    virtual void write32(uint32_t offset, uint32_t value) = 0;
};

class IPciAccess {
public:
    virtual ~IPciAccess() = default;
    // False when the bus cannot be reached at all.
    virtual bool openAndCheck() = 0;
    // Matching cards in scan order; 0 on any failure.
    virtual int countCards(uint16_t vendor, uint16_t device) = 0;
    // Card number n of the scan (1-based), or null with lastError() telling why.
    virtual std::unique_ptr<ICardRegisters> openCard(uint16_t vendor, uint16_t device, int n) = 0;
    // The text of the last failure; nothing displays it.
    virtual std::string lastError() const = 0;
};

}  // namespace trv600a
