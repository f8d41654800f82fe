// Fuzz target of the quartz sensor driver's receiving side: arbitrary bytes as a sensor
// could send them, handed out by a bridge in place of the hardware in reads of varying
// size (zero bytes included), answering the driver's discovery, timing, reading and
// revision exchanges. Checks that every status is one the driver defines, that a
// reading it reports is made of finite numbers within the frequency window, and that no
// error reaches the error handler (which would show a box).
#include "platform/Dialogs.h"
#include "platform/UsbBridge.h"
#include "qcm/cMirel.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void setUp() {
    static int argc = 1;
    static char name[] = "fuzz_mirel_reply";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = nullptr;
    if (app) return;
    app = new QCoreApplication(argc, argv);
    SetDialogResponder([](const DialogRequest&) -> DialogAnswer { std::abort(); });
}

// One sensor whose replies are the fuzz bytes, a line per command. Once they run out every read ends a line,
// so no exchange waits for its time-out.
class ScriptedBridge : public UsbBridge {
public:
    ScriptedBridge(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t SI_GetNumDevices(uint32_t& n) override {
        n = 1;
        return UsbStatus::Success;
    }
    int32_t SI_GetProductString(uint32_t device, QByteArray& product, uint32_t options) override {
        if (device != 0) return UsbStatus::DeviceNotFound;
        product = options == UsbProductOption::ProductId ? QByteArray("82cb") : QByteArray("FZ01");
        return UsbStatus::Success;
    }
    int32_t SI_Open(uint32_t device, int32_t& handle) override {
        if (device != 0) return UsbStatus::DeviceNotFound;
        handle = 7;
        return UsbStatus::Success;
    }
    int32_t SI_Close(int32_t) override { return UsbStatus::Success; }
    int32_t SI_Read(int32_t, uint8_t* buffer, uint32_t bytesToRead, uint32_t& got) override {
        if (at_ >= size_) {
            buffer[0] = '\n';
            got = 1;
            return UsbStatus::Success;
        }
        // Read sizes follow the data, so lines arrive split at every kind of place; a read
        // ends at a line feed, as the sensor sends one reply per command.
        const size_t want = 1 + data_[at_] % 40;
        size_t n = std::min({want, size_ - at_, static_cast<size_t>(bytesToRead)});
        if (const void* lf = std::memchr(data_ + at_, '\n', n)) n = static_cast<const uint8_t*>(lf) - (data_ + at_) + 1;
        got = static_cast<uint32_t>(n);
        std::memcpy(buffer, data_ + at_, got);
        at_ += got;
        return UsbStatus::Success;
    }
    int32_t SI_Write(int32_t, const uint8_t*, uint32_t n, uint32_t& written) override {
        written = n;
        return UsbStatus::Success;
    }
    int32_t SI_FlushBuffers(int32_t, uint8_t, uint8_t) override { return UsbStatus::Success; }
    int32_t SI_SetBaudRate(int32_t, uint32_t) override { return UsbStatus::Success; }

    bool exhausted() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

void checkStatus(int32_t s) { check((s >= 0 && s <= 9) || s == 153); }

void checkReading(int32_t status, const MirelReadingArray& r) {
    checkStatus(status);
    if (status == MirelStatus::Success) {
        for (double v : r) check(std::isfinite(v));
        check(r(2) >= 5000000.0 && r(2) <= 6100000.0);
    }
    if (status == MirelStatus::FrequencyOutside) check(r(2) == -1.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setUp();
    ScriptedBridge bridge(data, size);
    UsbBridge::Install(&bridge);
    {
        cMirel mirel;
        MirelSerials found;
        check(mirel.FindMirels(found) == 1);
        check(found(0) == QStringLiteral("FZ01"));
        const QString sn = found(0);
        for (int round = 0; round < 64 && !bridge.exhausted(); ++round) {
            MirelReadingArray r;
            checkReading(mirel.GetReading(sn, r), r);
            QString rev;
            checkStatus(mirel.Revision(sn, rev));
            check(rev.size() <= 300);
            checkStatus(mirel.Period(sn, round % 2 ? 0.25 : 1.5));
            const QVariantList values = mirel.GetReadingVariant(sn).toList();
            check(values.size() == 4);
            checkStatus(mirel.Material(sn, 0.4 + round, 1.0, 100.0));
            checkStatus(mirel.Zero(sn));
        }
    }
    UsbBridge::Install(nullptr);
    return 0;
}
