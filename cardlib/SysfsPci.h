#pragma once
// PCI access through the kernel's sysfs tree: the cards are the entries of
// <root>/bus/pci/devices whose vendor and device files match, and a card's first address
// space is its resource0 file, mapped into memory (or read and written in place for an
// I/O range).
#include "PciAccess.h"

#include <string>
#include <vector>

namespace trv600a {

class SysfsPci : public IPciAccess {
public:
    // root is the top of the sysfs tree, "/sys" on a running system.
    explicit SysfsPci(std::string root);
    // $TRV600A_SYSFS_ROOT when set and not empty, else "/sys".
    static std::string rootFromEnvironment();

    bool openAndCheck() override;
    int countCards(uint16_t vendor, uint16_t device) override;
    std::unique_ptr<ICardRegisters> openCard(uint16_t vendor, uint16_t device, int n) override;
    std::string lastError() const override { return lastError_; }

private:
    std::string devicesDir() const;
    // Device folders of the matching cards, in bus order.
    std::vector<std::string> matching(uint16_t vendor, uint16_t device) const;

    std::string root_;
    std::string lastError_;
};

}  // namespace trv600a
