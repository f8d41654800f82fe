#include "ptyline/PtyLine.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyLine::PtyLine(QObject* parent) : QObject(parent) {}

PtyLine::~PtyLine() { Close(); }

QString PtyLine::Open() {
    if (master_ >= 0) return device_;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ::close(master);
        return {};
    }
    const char* name = ::ptsname(master);
    if (!name) {
        ::close(master);
        return {};
    }
    device_ = QString::fromLocal8Bit(name);
    // Holding the terminal end open keeps the line up while no program has it open, and
    // makes it raw before the program arrives.
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ >= 0) {
        termios t{};
        if (::tcgetattr(slave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    master_ = master;
    notifier_ = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyLine::onReadable);
    return device_;
}

void PtyLine::Close() {
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

bool PtyLine::Write(const QByteArray& bytes) {
    if (master_ < 0) return false;
    qsizetype off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + off, static_cast<size_t>(bytes.size() - off));
        if (n > 0) {
            off += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // the program is not reading; the rest is lost as on a real line
        }
    }
    return true;
}

qint32 PtyLine::LineRate() const {
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) return 0;
    switch (::cfgetospeed(&t)) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
    }
}

void PtyLine::onReadable() {
    char buf[512];
    QByteArray got;
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    if (!got.isEmpty()) emit Received(got);
}
