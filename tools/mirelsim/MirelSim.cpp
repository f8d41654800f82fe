#include "mirelsim/MirelSim.h"

#include "ptyline/PtyLine.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <cmath>

namespace {

constexpr double kReferenceHz = 199065600.0;
// A line longer than this without its line feed is noise and is dropped.
constexpr int kMaxLine = 512;
constexpr int kSplitGapMs = 20;

bool WriteAttribute(const QString& path, const QString& value) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(value.toLatin1() + '\n') > 0;
}

}  // namespace

MirelSim::MirelSim(const QString& serial, QObject* parent) : QObject(parent), serial_(serial) {}

MirelSim::~MirelSim() { Unplug(); }

bool MirelSim::Plugged() const { return pty_ && pty_->IsOpen(); }

QString MirelSim::PtyDevice() const { return Plugged() ? pty_->Device() : QString(); }

QString MirelSim::UsbFolder() const {
    return QDir(root_).filePath(QStringLiteral("sys/devices/mirelsim/usb-") + tty_);
}

bool MirelSim::Plug(const QString& root) {
    if (Plugged()) return true;
    root_ = root;
    pty_ = new PtyLine(this);
    const QString device = pty_->Open();
    if (device.isEmpty()) {
        Unplug();
        return false;
    }
    connect(pty_, &PtyLine::Received, this, &MirelSim::Receive);

    const QDir top(root);
    const QString classTty = top.filePath(QStringLiteral("sys/class/tty"));
    int n = 0;
    while (QFileInfo::exists(classTty + QStringLiteral("/ttyUSB") + QString::number(n))) ++n;
    tty_ = QStringLiteral("ttyUSB") + QString::number(n);

    const QString usb = UsbFolder();
    const QString port = usb + u'/' + serial_ + QStringLiteral(":1.0/") + tty_;
    const QString listed = classTty + u'/' + tty_;
    const QString node = top.filePath(QStringLiteral("dev/") + tty_);
    const bool ok = QDir().mkpath(port) && QDir().mkpath(listed) && QDir().mkpath(top.filePath(QStringLiteral("dev"))) &&
                    WriteAttribute(usb + QStringLiteral("/idVendor"), QStringLiteral("10c4")) &&
                    WriteAttribute(usb + QStringLiteral("/idProduct"), productId.toLower()) &&
                    WriteAttribute(usb + QStringLiteral("/serial"), serial_) &&
                    WriteAttribute(usb + QStringLiteral("/product"), QStringLiteral("Mirel")) &&
                    QFile::link(port, listed + QStringLiteral("/device")) && QFile::link(device, node);
    if (!ok) {
        Unplug();
        return false;
    }
    pending_.clear();
    return true;
}

void MirelSim::RemoveListing() {
    if (tty_.isEmpty() || root_.isEmpty()) return;
    const QDir top(root_);
    QDir(top.filePath(QStringLiteral("sys/class/tty/") + tty_)).removeRecursively();
    QFile::remove(top.filePath(QStringLiteral("dev/") + tty_));
    QDir(UsbFolder()).removeRecursively();
}

void MirelSim::Unplug() {
    RemoveListing();
    tty_.clear();
    if (pty_) {
        pty_->Close();
        pty_->deleteLater();
        pty_ = nullptr;
    }
}

QString MirelSim::Count() const {
    if (!countText.isEmpty()) return countText;
    if (!crystal) return QStringLiteral("-1");
    if (gate_ <= 0) return QStringLiteral("-2");
    if (frequency <= 0.0) return QStringLiteral("-1");
    return QString::number(std::llround(gate_ * kReferenceHz / frequency));
}

QString MirelSim::Answer(const QString& command) {
    const QString head = command.left(2).toUpper();
    const QString value = command.mid(2);
    if (head == u"!@") return QStringLiteral("!@") + revision;
    if (head == u"!B") {
        gate_ = value.trimmed().toInt();
        return QStringLiteral("!B") + value;
    }
    if (head == u"!C") {
        timer_ = value.trimmed().toInt();
        return QStringLiteral("!C") + value;
    }
    if (head == u"!A") {
        const QString count = Count();
        frequency -= agingPerReading;
        return QStringLiteral("!A") + count;
    }
    return {};
}

void MirelSim::Receive(const QByteArray& bytes) {
    pending_ += bytes;
    for (qsizetype lf = pending_.indexOf('\n'); lf >= 0; lf = pending_.indexOf('\n')) {
        QByteArray line = pending_.left(lf);
        pending_.remove(0, lf + 1);
        if (line.endsWith('\r')) line.chop(1);
        const QString command = QString::fromLatin1(line);
        lineRate_ = pty_ ? pty_->LineRate() : 0;
        commands_ << command;
        emit CommandReceived(command);
        QString reply = Answer(command);
        if (reply.isEmpty()) continue;
        if (omitEcho_ > 0) {
            --omitEcho_;
            reply = reply.mid(2);
        }
        Send(reply.toLatin1() + "\r\n");
    }
    if (pending_.size() > kMaxLine) pending_.clear();
}

void MirelSim::Send(const QByteArray& line) {
    if (silent || !Plugged()) return;
    if (!splitReplies || line.size() < 2) {
        pty_->Write(line);
        return;
    }
    const qsizetype half = line.size() / 2;
    pty_->Write(line.left(half));
    QTimer::singleShot(kSplitGapMs, this, [this, rest = line.mid(half)] {
        if (Plugged()) pty_->Write(rest);
    });
}
