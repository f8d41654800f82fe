// The sysfs PCI access over a fake tree: the card is found by its ids and its resource0
// file serves as the card's registers.
#include "CardLibFixture.h"
#include "SysfsPci.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace trv600a {
namespace {

namespace fs = std::filesystem;

class SysfsTree : public CardLib {
protected:
    void SetUp() override
    {
        CardLib::SetUp();
        root = fs::temp_directory_path() /
               ("trv600a-sysfs-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        devices = root / "bus" / "pci" / "devices";
        addDevice("0000:00:02.0", "0x8086", "0x1234");
        card = addDevice("0000:03:00.0", "0x1172", "0x0004");
        powerOn();
        setenv("TRV600A_SYSFS_ROOT", root.c_str(), 1);
        testhook::usePci(nullptr);
    }
    // The card as it comes up: register 24 type 30; register 16 version 250, no switch
    // held; everything else 0.
    void powerOn()
    {
        std::array<uint32_t, 16> registers{};
        registers[24 / 4] = 30u << 16;
        registers[16 / 4] = (250u << 16) | 0x7F00u;
        std::ofstream(card / "resource0", std::ios::binary)
            .write(reinterpret_cast<const char*>(registers.data()), sizeof registers);
    }
    void TearDown() override
    {
        CardLib::TearDown();
        unsetenv("TRV600A_SYSFS_ROOT");
        fs::remove_all(root);
    }

    fs::path addDevice(const std::string& name, const char* vendor, const char* device)
    {
        const fs::path dir = devices / name;
        fs::create_directories(dir);
        std::ofstream(dir / "vendor") << vendor << "\n";
        std::ofstream(dir / "device") << device << "\n";
        return dir;
    }

    uint32_t fileRegister(uint32_t offset)
    {
        std::ifstream in(card / "resource0", std::ios::binary);
        in.seekg(offset);
        uint32_t value = 0;
        in.read(reinterpret_cast<char*>(&value), sizeof value);
        return value;
    }

    fs::path root, devices, card;
};

TEST_F(SysfsTree, CardIsFoundAndItsRegistersAreTheResourceFile)
{
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(versions[1], 250);
    EXPECT_EQ(versions[7], 250);
    EXPECT_EQ(fileRegister(24), 16u);  // the last write of the reset sequence

    ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Kor500Simulate(0), 0);
    EXPECT_EQ(fileRegister(0), 0xFFFFF01Eu);
    EXPECT_EQ(fileRegister(4), 0xFFECED2Fu);
    EXPECT_EQ(fileRegister(12), 1u);
    ASSERT_EQ(Kor500SetPower(1, 0.5), 0);
    EXPECT_EQ(fileRegister(8), 0xFFFFC004u);

    ASSERT_EQ(Kor500Startup2(-1, versions.data()), 0);
    EXPECT_EQ(fileRegister(8), 0u);
    EXPECT_EQ(fileRegister(24), 0u);
}

// However the library stops writing the card (a switch to simulation, the stop, or the
// program's exit, which makes both), the card is left at zero power on every output,
// the extended ones included, and its counters stopped.
TEST_F(SysfsTree, NoOutputIsLeftDrivingWhenTheCardIsNoLongerWritten)
{
    const struct {
        const char* what;
        bool simulate, stop;
    } cases[] = {{"simulation", true, false}, {"stop", false, true}, {"exit", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testhook::reload();
        testhook::setStepping(true);
        testhook::useSleep([](int) {});
        testhook::usePci(nullptr);
        powerOn();
        ASSERT_EQ(start(), 0);
        ASSERT_EQ(Kor500Init(6.05e6, 5e6, 6e6, 0.25), 0);
        ASSERT_EQ(Kor500Simulate(0), 0);
        ASSERT_EQ(Kor500SetPower(1, 0.5), 0);
        ASSERT_EQ(Kor500SetPower(12, 0.5), 0);
        ASSERT_NE(fileRegister(8), 0u);
        ASSERT_NE(fileRegister(20), 0u);
        ASSERT_EQ(fileRegister(12), 1u);

        if (c.simulate) {
            ASSERT_EQ(Kor500Simulate(1), 0);
            EXPECT_EQ(fileRegister(8), 0u);
            EXPECT_EQ(fileRegister(20), 0u);
            // Simulated powers stay off the card.
            ASSERT_EQ(Kor500SetPower(0, 0.8), 0);
            EXPECT_TRUE(testhook::stepMeasurement());
            EXPECT_EQ(fileRegister(8), 0u);
        }
        if (c.stop) {
            ASSERT_EQ(Kor500Startup2(-1, versions.data()), 0);
            EXPECT_EQ(fileRegister(8), 0u);
            EXPECT_EQ(fileRegister(20), 0u);
            EXPECT_EQ(fileRegister(12), 0u);
            EXPECT_EQ(fileRegister(24), 0u);
        }
    }
}

TEST_F(SysfsTree, MissingTreeOrCardAndOutOfRangeAccess)
{
    SysfsPci pci(root.string());
    ASSERT_EQ(pci.countCards(kVendorId, kDeviceId), 1);
    EXPECT_EQ(pci.openCard(kVendorId, kDeviceId, 2), nullptr);
    EXPECT_EQ(pci.lastError(), "Card out of range of available cards\n");
    auto regs = pci.openCard(kVendorId, kDeviceId, 1);
    ASSERT_NE(regs, nullptr);
    EXPECT_EQ(regs->read32(64), 0u);  // past the 64-byte resource
    EXPECT_EQ(regs->read32(18), 0u);  // not a register boundary
    regs->write32(64, 1);
    EXPECT_EQ(regs->read32(24), 30u << 16);
    regs.reset();

    EXPECT_EQ(SysfsPci(root.string()).countCards(kVendorId, 5), 0);
    fs::remove_all(card);
    EXPECT_EQ(start(), 904);
    testhook::reload();
    setenv("TRV600A_SYSFS_ROOT", (root / "nowhere").c_str(), 1);
    EXPECT_EQ(start(), 906);
}

}  // namespace
}  // namespace trv600a
