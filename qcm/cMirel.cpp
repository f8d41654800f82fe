// The sensor driver's devices: finding and opening them, the slot of a serial, one
// exchange of a command and its reply, and the reading poll.
#include "qcm/cMirel.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "platform/ccrpTimer.h"
#include "platform/Clock.h"
#include "platform/UsbBridge.h"
#include "qcm/modUSB.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

constexpr int kSlots = 32;
const QString kProductId = QStringLiteral("82CB");
// How often a sensor that went away is looked for behind the bridge.
constexpr int64_t kLookForLostMs = 1000;
// How long an exchange waits for the reply line.
constexpr int kReplyWaitMs = 100;
// The longest reply line taken; a sensor that sends more without a line end is talking
// nonsense.
constexpr int kMaxReply = modUSB::kBufferSize;

// The bridge's word that the sensor's line is gone (unplugged, hung up), as against a
// sensor that only kept silent.
bool LineGone(int32_t status) {
    return status == UsbStatus::InvalidHandle || status == UsbStatus::DeviceIoFailed || status == modUSB::kFlushFailed;
}

}  // namespace

cMirel::cMirel(QObject* parent) : QObject(parent) {
    MirelTimer_ = new ccrpTimer(this);
    MirelTimer_->setObjectName(QStringLiteral("MirelTimer"));
    MirelTimer_->setEnabled(false);
    connect(MirelTimer_, &ccrpTimer::Timer, this, &cMirel::MirelTimer_Timer);
}

cMirel::~cMirel() {
    MirelTimer_->setEnabled(false);
    // The sensors are not left open behind a driver that is gone.
    CloseMirels();
}

void cMirel::CloseMirels() {
    for (int i = 1; i <= kSlots; ++i) {
        Slot& s = Slots_(i);
        if (s.handle > 0) {
            modUSB::USBClose(s.handle);
            s.handle = 0;
        }
    }
}

int32_t cMirel::FindMirels(MirelSerials& SNs) {
    ORUN_PROC("cMirel_FindMirels");
    int32_t count = 0;
    try {
        CloseMirels();
        // Slots may change hands below, so the last look-up may no longer hold.
        CachedSerial_ = QStringLiteral("0");
        CachedSlot_ = 0;
        for (auto& sn : SNs) sn.clear();
        const int32_t devices = modUSB::USBGetNumDevices();
        for (int32_t i = 0; i < devices && count < kSlots; ++i) {
            if (vb::UCase(modUSB::USBGetPID(i)) != kProductId) continue;
            int32_t handle = 0;
            if (modUSB::USBOpen(i, handle) != 0) continue;
            ++count;
            const QString serial = vb::UCase(modUSB::USBGetSerial(i));
            int slot = 0;
            for (int k = 1; k <= kSlots && slot == 0; ++k)
                if (vb::UCase(Slots_(k).serial) == serial && Slots_(k).handle == 0) slot = k;
            if (slot == 0) {
                // A new sensor takes a slot never used before when there is one, so it
                // does not take over the slot of a sensor that is only unplugged.
                for (int k = 1; k <= kSlots && slot == 0; ++k)
                    if (Slots_(k).handle == 0 && Slots_(k).serial.isEmpty()) slot = k;
                for (int k = 1; k <= kSlots && slot == 0; ++k)
                    if (Slots_(k).handle == 0) slot = k;
                if (slot == 0) {
                    modUSB::USBClose(handle);
                    continue;
                }
                // Another sensor's material, timing and thickness origin are not this one's.
                Slots_(slot) = Slot{};
                Slots_(slot).serial = serial;
            }
            Slots_(slot).handle = handle;
            Slots_(slot).gone = false;
            SNs(slot - 1) = serial;
            Period(serial, Slots_(slot).period);
        }
        NumFound_ = count;
        for (Slot& s : Slots_) {
            if (s.handle != 0) continue;
            s.serial.clear();
            s.gone = false;
        }
    } catch (...) {
        gErr.HandleError();
    }
    return count;
}

int cMirel::MirelIndex(const QString& SN) {
    const QString serial = vb::UCase(SN);
    if (serial.isEmpty()) return 0;
    if (serial != CachedSerial_) {
        CachedSlot_ = 0;
        CachedSerial_ = QStringLiteral("0");
        // Every slot is searched: a sensor keeps the slot of its serial, which may lie
        // above the number found.
        for (int k = 1; k <= kSlots; ++k) {
            if (vb::UCase(Slots_(k).serial) == serial) {
                CachedSerial_ = serial;
                CachedSlot_ = k;
                break;
            }
        }
    }
    return CachedSlot_;
}

QString cMirel::CommMirel(const QString& SN, const QString& command) {
    const int slot = MirelIndex(SN);
    const int32_t handle = Slots_(slot).handle;
    if (handle < 1) {
        Status_ = MirelStatus::NotConnected;
        return {};
    }
    // The wait below lets other events run; one of them may start another exchange, which
    // is turned away while this one waits.
    if (Exchanging_) {
        Status_ = MirelStatus::Busy;
        return {};
    }
    Exchanging_ = true;
    Status_ = MirelStatus::Busy;
    int32_t result = MirelStatus::NoReply;
    QString reply;
    const int32_t written = modUSB::USBWrite(handle, command + QStringLiteral("\r\n"));
    bool gone = LineGone(written);
    if (written == 0) {
        // A reply may come in pieces: it is whole at its line feed.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            QString piece;
            if (LineGone(modUSB::USBRead(handle, piece))) {
                gone = true;
                break;
            }
            reply += piece;
            const qsizetype lf = reply.indexOf(u'\n');
            if (lf >= 0) {
                reply.truncate(lf + 1);
                result = MirelStatus::Success;
                break;
            }
            if (reply.size() > kMaxReply || waited.elapsed() > kReplyWaitMs) break;
            QCoreApplication::processEvents();
        }
    }
    Exchanging_ = false;
    // The slot may have been handed to another sensor during the wait; only this line's
    // own slot is given up.
    if (gone && Slots_(slot).handle == handle) LoseSensor(slot);
    Status_ = result;
    return result == MirelStatus::Success ? vb::Trim(reply) : QString();
}

int32_t cMirel::SetReadingTimer(int32_t interval) {
    ORUN_PROC("cMirel_SetReadingTimer");
    try {
        ReadingInterval_ = interval;
        if (interval > 0) {
            MirelTimer_->setInterval(interval);
            MirelTimer_->setEnabled(true);
        } else {
            MirelTimer_->setEnabled(false);
        }
    } catch (...) {
        gErr.HandleError();
    }
    return 0;
}

void cMirel::LoseSensor(int slot) {
    Slot& s = Slots_(slot);
    modUSB::USBClose(s.handle);
    s.handle = 0;
    s.gone = true;
}

void cMirel::FindLostMirels() {
    bool lost = false;
    for (int k = 1; k <= kSlots; ++k) lost = lost || (Slots_(k).gone && !Slots_(k).serial.isEmpty());
    const int64_t now = TickMs();
    if (!lost || (LookedForLostMs_ >= 0 && now - LookedForLostMs_ < kLookForLostMs && now >= LookedForLostMs_)) return;
    LookedForLostMs_ = now;
    const int32_t devices = modUSB::USBGetNumDevices();
    for (int32_t i = 0; i < devices; ++i) {
        if (vb::UCase(modUSB::USBGetPID(i)) != kProductId) continue;
        const QString serial = vb::UCase(modUSB::USBGetSerial(i));
        int slot = 0;
        for (int k = 1; k <= kSlots && slot == 0; ++k)
            if (Slots_(k).gone && vb::UCase(Slots_(k).serial) == serial) slot = k;
        if (slot == 0) continue;
        int32_t handle = 0;
        if (modUSB::USBOpen(i, handle) != 0) continue;
        Slot& s = Slots_(slot);
        s.handle = handle;
        s.gone = false;
        // Its material and thickness origin are kept; its rate starts afresh, as no
        // reading spans the time it was away, and it gets its timing again.
        s.rateFromMs = -1;
        s.rate = 0.0;
        Period(s.serial, s.period);
    }
}

void cMirel::MirelTimer_Timer() {
    const ProcTrace trace(gErr, QStringLiteral("cMirel_MirelTimer_Timer"));
    try {
        FindLostMirels();
        for (int k = 1; k <= kSlots; ++k) {
            // A poll stopped during an exchange's wait reads no further sensor.
            if (!MirelTimer_->Enabled()) return;
            if (Slots_(k).handle <= 0) continue;
            const QString serial = Slots_(k).serial;
            MirelReadingArray reading;
            const int32_t status = GetReading(serial, reading);
            if (status == MirelStatus::Success || status == MirelStatus::FrequencyOutside)
                emit MirelReading(serial, reading);
        }
    } catch (...) {
        gErr.HandleError();
    }
}
