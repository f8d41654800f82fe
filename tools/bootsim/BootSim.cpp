#include "bootsim/BootSim.h"

#include "flash/BootFrame.h"
#include "ptyline/PtyLine.h"

#include <algorithm>

namespace {

constexpr int kQueryRate = 19200;
// A command whose bytes stop for this long is abandoned, as the boot loader does.
constexpr qint64 kCommandGapMs = 500;

QString hex(int value, int digits) { return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

BootSim::BootSim(QObject* parent) : QObject(parent) {}

BootSim::~BootSim() = default;

void BootSim::SetModel(int model) { model_ = model; }

int BootSim::BootRate() const { return BlockSize() == 1024 ? 38400 : 115200; }

int BootSim::BlockSize() const { return model_ == 4 || model_ == 5 ? 1024 : 256; }

QString BootSim::OpenPty() {
    if (!pty_) {
        pty_ = new PtyLine(this);
        connect(pty_, &PtyLine::Received, this, [this](const QByteArray& bytes) { Receive(bytes, pty_->LineRate()); });
    }
    return pty_->Open();
}

QString BootSim::PtyDevice() const { return pty_ ? pty_->Device() : QString(); }

void BootSim::Unplug() {
    if (pty_) pty_->Close();
}

QByteArray BootSim::Flash() const {
    if (BlockSize() == 256) return image_;
    QByteArray image;
    for (auto it = blocks1K_.cbegin(); it != blocks1K_.cend(); ++it) {
        const qsizetype offset = (static_cast<qsizetype>(it.key()) - 0x8000) * 16;
        if (offset < 0) continue;
        if (image.size() < offset + it.value().size()) image.resize(offset + it.value().size(), static_cast<char>(0xFF));
        image.replace(offset, it.value().size(), it.value());
    }
    return image;
}

void BootSim::Receive(const QByteArray& bytes, int rate) {
    if (state_ != Parse::Idle && lastByte_.isValid() && lastByte_.elapsed() > kCommandGapMs) state_ = Parse::Idle;
    lastByte_.restart();
    for (const char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (rate == kQueryRate) {
            firmwareByte(b);
        } else if (rate == BootRate()) {
            bootByte(b);
        } else {
            state_ = Parse::Idle;  // noise at a rate the instrument does not listen at
        }
    }
}

void BootSim::firmwareByte(uint8_t b) {
    switch (state_) {
    case Parse::QueryLength:
        if (b == '!') break;
        if (b < 35) {
            state_ = Parse::Idle;
            break;
        }
        pending_ = QByteArray(1, static_cast<char>(b));
        need_ = b - 34 + 2;
        state_ = Parse::QueryBody;
        break;
    case Parse::QueryBody: {
        pending_.append(static_cast<char>(b));
        if (--need_ > 0) break;
        state_ = Parse::Idle;
        const QByteArrayView frame(pending_);
        if (frame.last(2) != NorvikFlash::CalcCrc(frame.first(frame.size() - 2))) break;
        const QByteArray message = pending_.mid(1, pending_.size() - 3);
        if (message == "@")
            finishCommand(QStringLiteral("@"), "A" + Version.toLatin1());
        else if (message == "qr")
            finishCommand(QStringLiteral("qr"), OldFirmware ? QByteArray("C") : "A" + SerialNumber.toLatin1());
        else
            finishCommand(QString::fromLatin1(message), "E");
        break;
    }
    default:
        if (b == '!') state_ = Parse::QueryLength;
        else state_ = Parse::Idle;
        break;
    }
}

void BootSim::bootByte(uint8_t b) {
    const bool big = BlockSize() == 1024;
    const QByteArray eraseReply = eraseFails_ ? "A81" : "A80";
    switch (state_) {
    case Parse::EraseBlock:
        state_ = Parse::Idle;
        blocks_ = 0;
        finishCommand(QStringLiteral("A ") + hex(b, 2), eraseReply);
        return;
    case Parse::BlockAddress:
        pending_.append(static_cast<char>(b));
        if (--need_ > 0) return;
        address_ = static_cast<uint16_t>((static_cast<uint8_t>(pending_[0]) << 8) | static_cast<uint8_t>(pending_[1]));
        pending_.clear();
        need_ = 1024;
        state_ = Parse::BlockData;
        return;
    case Parse::BlockData: {
        pending_.append(static_cast<char>(b));
        if (--need_ > 0) return;
        state_ = Parse::Idle;
        QString text = QString(QLatin1Char(command_));
        if (big) {
            blocks1K_[address_] = pending_;
            text += QLatin1Char(' ') + hex(address_, 4);
        } else {
            image_.append(pending_);
        }
        ++blocks_;
        if (blocks_ == closeAtBlock_) Unplug();
        if (silentFromBlock_ > 0 && blocks_ >= silentFromBlock_) runSilent_ = true;
        if (blocks_ == badCrcAtBlock_) corrupt_ = std::max(corrupt_, 1);
        finishCommand(text, "A");
        return;
    }
    default:
        break;
    }
    state_ = Parse::Idle;
    switch (b) {
    case '!':
        runSilent_ = false;
        finishCommand(QStringLiteral("!"), "A");
        break;
    case 'A':
    case 'a':
        if (big && b == 'A') {
            state_ = Parse::EraseBlock;
        } else if (!big) {
            image_.clear();
            blocks_ = 0;
            finishCommand(QString(QLatin1Char(static_cast<char>(b))), eraseReply);
        }
        break;
    case 'B':
    case 'b':
        if (big && b == 'b') break;
        command_ = static_cast<char>(b);
        pending_.clear();
        need_ = big ? 2 : 256;
        state_ = big ? Parse::BlockAddress : Parse::BlockData;
        break;
    case 'D':
    case 'd':
        finishCommand(QString(QLatin1Char(static_cast<char>(b))), "A", answerDone_);
        break;
    default:
        break;  // not a command: the boot loader waits for the next one
    }
}

void BootSim::finishCommand(const QString& text, const QByteArray& message, bool answer) {
    commands_ << text;
    emit CommandReceived(text);
    if (answer && !silent_ && !runSilent_) reply(message);
}

void BootSim::reply(const QByteArray& message) {
    if (!pty_ || !pty_->IsOpen()) return;
    QByteArray frame = NorvikFlash::ReplyFrame(message);
    if (corrupt_ > 0) {
        --corrupt_;
        char& last = frame[frame.size() - 1];
        last = static_cast<char>(last == 0x22 ? 0x23 : last - 1);
    }
    if (interrupt_ > 0) {
        --interrupt_;
        pty_->Write(frame.left(frame.size() / 2));
    }
    pty_->Write(frame);
}
