#include "SysfsPci.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trv600a {

namespace fs = std::filesystem;

namespace {

// Flag of an I/O port range in the third column of a sysfs resource file.
constexpr unsigned long long kIoResource = 0x100;

// Reads a hex id such as "0x1172" from a small sysfs attribute; -1 when unreadable.
long readHexId(const fs::path& file)
{
    std::ifstream in(file);
    if (!in)
        return -1;
    char text[32] = {};
    in.read(text, sizeof text - 1);
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == text || errno != 0 || value > 0xFFFF)
        return -1;
    return static_cast<long>(value);
}

// True when the first line of <dir>/resource marks BAR 0 as an I/O port range.
bool isIoRange(const fs::path& dir)
{
    std::ifstream in(dir / "resource");
    std::string line;
    if (!in || !std::getline(in, line))
        return false;
    std::istringstream fields(line);
    unsigned long long start = 0, end = 0, flags = 0;
    if (!(fields >> std::hex >> start >> end >> flags))
        return false;
    return (flags & kIoResource) != 0;
}

class SysfsCard : public ICardRegisters {
public:
    SysfsCard(int fd, size_t size, volatile uint8_t* base) : fd_(fd), size_(size), base_(base) {}
    ~SysfsCard() override
    {
        if (base_)
            munmap(const_cast<uint8_t*>(base_), size_);
        close(fd_);
    }

    uint32_t read32(uint32_t offset) override
    {
        if (!inside(offset))
            return 0;
        if (base_)
            return *reinterpret_cast<volatile uint32_t*>(base_ + offset);
        uint32_t value = 0;
        return pread(fd_, &value, sizeof value, offset) == sizeof value ? value : 0;
    }

    void write32(uint32_t offset, uint32_t value) override
    {
        if (!inside(offset))
            return;
        if (base_) {
            *reinterpret_cast<volatile uint32_t*>(base_ + offset) = value;
            return;
        }
        [[maybe_unused]] ssize_t written = pwrite(fd_, &value, sizeof value, offset);
    }

private:
    bool inside(uint32_t offset) const
    {
        return offset % 4 == 0 && static_cast<size_t>(offset) + 4 <= size_;
    }

    int fd_;
    size_t size_;
    volatile uint8_t* base_;  // null for an I/O range
};

}  // namespace

SysfsPci::SysfsPci(std::string root) : root_(std::move(root)) {}

std::string SysfsPci::rootFromEnvironment()
{
    const char* root = std::getenv("TRV600A_SYSFS_ROOT");
    return root && *root ? std::string(root) : std::string("/sys");
}

std::string SysfsPci::devicesDir() const
{
    return (fs::path(root_) / "bus" / "pci" / "devices").string();
}

bool SysfsPci::openAndCheck()
{
    std::error_code ec;
    if (!fs::is_directory(devicesDir(), ec)) {
        lastError_ = "Failed opening WinDriver device\n";
        return false;
    }
    return true;
}

std::vector<std::string> SysfsPci::matching(uint16_t vendor, uint16_t device) const
{
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(devicesDir(), ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path dir = it->path();
        if (readHexId(dir / "vendor") == vendor && readHexId(dir / "device") == device)
            found.push_back(dir.string());
    }
    // Directory order is arbitrary; the names (domain:bus:slot.function) sort in bus order.
    std::sort(found.begin(), found.end());
    return found;
}

int SysfsPci::countCards(uint16_t vendor, uint16_t device)
{
    if (!openAndCheck())
        return 0;
    const int count = static_cast<int>(matching(vendor, device).size());
    if (count == 0)
        lastError_ = "no cards found\n";
    return count;
}

std::unique_ptr<ICardRegisters> SysfsPci::openCard(uint16_t vendor, uint16_t device, int n)
{
    if (!openAndCheck())
        return nullptr;
    const std::vector<std::string> cards = matching(vendor, device);
    if (cards.empty()) {
        lastError_ = "Could not find PCI card\n";
        return nullptr;
    }
    if (n < 1 || n > static_cast<int>(cards.size())) {
        lastError_ = "Card out of range of available cards\n";
        return nullptr;
    }
    const fs::path dir = cards[static_cast<size_t>(n - 1)];
    const int fd = open((dir / "resource0").c_str(), O_RDWR | O_SYNC | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = "Failed locking device.\n";
        return nullptr;
    }
    struct stat st = {};
    if (fstat(fd, &st) != 0 || st.st_size < 4) {
        close(fd);
        lastError_ = "Card does not have all items expected for ALTERA\n";
        return nullptr;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    if (isIoRange(dir))
        return std::make_unique<SysfsCard>(fd, size, nullptr);
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        close(fd);
        lastError_ = "Card does not have all items expected for ALTERA\n";
        return nullptr;
    }
    return std::make_unique<SysfsCard>(fd, size, static_cast<volatile uint8_t*>(base));
}

}  // namespace trv600a
