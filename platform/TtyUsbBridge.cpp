#include "platform/TtyUsbBridge.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long a read waits for the first byte. Short, because the caller polls and lets the
// program's events run between reads.
constexpr int kReadWaitMs = 2;
// How long a write waits for room on the line before it gives up.
constexpr int kWriteWaitMs = 100;

QByteArray Attribute(const QString& folder, const char* name) {
    QFile f(folder + u'/' + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(255).trimmed();
}

speed_t SpeedOf(uint32_t baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

}  // namespace

TtyUsbBridge::TtyUsbBridge() {
    const QByteArray env = qgetenv("ORUN_USB_ROOT");
    root_ = env.isEmpty() ? QStringLiteral("/") : QString::fromLocal8Bit(env);
}

TtyUsbBridge::~TtyUsbBridge() {
    for (const auto& [handle, fd] : open_) ::close(fd);
}

TtyUsbBridge& TtyUsbBridge::Instance() {
    static TtyUsbBridge bridge;
    return bridge;
}

void TtyUsbBridge::setRoot(const QString& root) {
    root_ = root.isEmpty() ? QStringLiteral("/") : root;
    enumerated_ = false;
    devices_.clear();
}

void TtyUsbBridge::Enumerate() {
    devices_.clear();
    enumerated_ = true;
    const QString sys = QDir(root_).filePath(QStringLiteral("sys"));
    const QString sysCanonical = QFileInfo(sys).canonicalFilePath();
    if (sysCanonical.isEmpty()) return;
    QDir ttys(QDir(sys).filePath(QStringLiteral("class/tty")));
    QStringList names = ttys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return numeric.compare(a, b) < 0; });
    for (const QString& name : names) {
        // The tty's device, and above it the USB device that carries the product id; a
        // tty that is no USB device (a console, a built-in port) has none.
        QString dir = QFileInfo(ttys.filePath(name + QStringLiteral("/device"))).canonicalFilePath();
        while (!dir.isEmpty() && dir.startsWith(sysCanonical) && dir != sysCanonical) {
            if (QFileInfo::exists(dir + QStringLiteral("/idProduct"))) {
                devices_.push_back({name, dir});
                break;
            }
            dir = QFileInfo(dir).path();
        }
    }
}

int TtyUsbBridge::FdOf(int32_t handle) const {
    const auto it = open_.find(handle);
    return it == open_.end() ? -1 : it->second;
}

int32_t TtyUsbBridge::SI_GetNumDevices(uint32_t& numDevices) {
    Enumerate();
    numDevices = static_cast<uint32_t>(devices_.size());
    return UsbStatus::Success;
}

int32_t TtyUsbBridge::SI_GetProductString(uint32_t deviceNum, QByteArray& product, uint32_t options) {
    if (!enumerated_) Enumerate();
    product.clear();
    if (deviceNum >= devices_.size()) return UsbStatus::DeviceNotFound;
    const QString& usb = devices_[deviceNum].usbDir;
    switch (options) {
    case UsbProductOption::SerialNumber: product = Attribute(usb, "serial"); break;
    case UsbProductOption::ProductId: product = Attribute(usb, "idProduct").toUpper(); break;
    default: return UsbStatus::InvalidParameter;
    }
    return UsbStatus::Success;
}

int32_t TtyUsbBridge::SI_Open(uint32_t deviceNum, int32_t& handle) {
    if (!enumerated_) Enumerate();
    if (deviceNum >= devices_.size()) return UsbStatus::DeviceNotFound;
    const QByteArray path = QFile::encodeName(QDir(root_).filePath(QStringLiteral("dev/") + devices_[deviceNum].tty));
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return UsbStatus::DeviceNotFound;
    // One program at a time on a sensor, as on the original bridge.
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        ::close(fd);
        return UsbStatus::DeviceIoFailed;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return UsbStatus::DeviceIoFailed;
    }
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return UsbStatus::DeviceIoFailed;
    }
    handle = nextHandle_++;
    if (nextHandle_ <= 0) nextHandle_ = 1;
    open_[handle] = fd;
    return UsbStatus::Success;
}

int32_t TtyUsbBridge::SI_Close(int32_t handle) {
    const int fd = FdOf(handle);
    if (fd < 0) return UsbStatus::InvalidHandle;
    ::close(fd);
    open_.erase(handle);
    return UsbStatus::Success;
}

int32_t TtyUsbBridge::SI_Read(int32_t handle, uint8_t* buffer, uint32_t bytesToRead, uint32_t& bytesReturned) {
    bytesReturned = 0;
    const int fd = FdOf(handle);
    if (fd < 0) return UsbStatus::InvalidHandle;
    if (bytesToRead == 0) return UsbStatus::Success;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, kReadWaitMs);
    if (ready < 0) return errno == EINTR ? UsbStatus::Success : UsbStatus::ReadError;
    if (ready == 0) return UsbStatus::Success;
    if (!(p.revents & POLLIN)) {
        // Hung up (the device was unplugged): nothing will come, but the caller keeps
        // polling until its own time is up, so it must not spin.
        ::usleep(kReadWaitMs * 1000);
        return UsbStatus::DeviceIoFailed;
    }
    const ssize_t n = ::read(fd, buffer, bytesToRead);
    if (n > 0) {
        bytesReturned = static_cast<uint32_t>(n);
        return UsbStatus::Success;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return UsbStatus::Success;
    ::usleep(kReadWaitMs * 1000);
    return n == 0 || DeviceGone(errno) ? UsbStatus::DeviceIoFailed : UsbStatus::ReadError;
}

int32_t TtyUsbBridge::SI_Write(int32_t handle, const uint8_t* buffer, uint32_t bytesToWrite, uint32_t& bytesWritten) {
    bytesWritten = 0;
    const int fd = FdOf(handle);
    if (fd < 0) return UsbStatus::InvalidHandle;
    while (bytesWritten < bytesToWrite) {
        const ssize_t n = ::write(fd, buffer + bytesWritten, bytesToWrite - bytesWritten);
        if (n > 0) {
            bytesWritten += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, kWriteWaitMs) > 0 && (p.revents & POLLOUT)) continue;
            return UsbStatus::WriteError;
        }
        return n < 0 && DeviceGone(errno) ? UsbStatus::DeviceIoFailed : UsbStatus::WriteError;
    }
    return UsbStatus::Success;
}

int32_t TtyUsbBridge::SI_FlushBuffers(int32_t handle, uint8_t flushTransmit, uint8_t flushReceive) {
    const int fd = FdOf(handle);
    if (fd < 0) return UsbStatus::InvalidHandle;
    int which = -1;
    if (flushTransmit && flushReceive) which = TCIOFLUSH;
    else if (flushTransmit) which = TCOFLUSH;
    else if (flushReceive) which = TCIFLUSH;
    if (which < 0) return UsbStatus::Success;
    return ::tcflush(fd, which) == 0 ? UsbStatus::Success : UsbStatus::DeviceIoFailed;
}

int32_t TtyUsbBridge::SI_SetBaudRate(int32_t handle, uint32_t baudRate) {
    const int fd = FdOf(handle);
    if (fd < 0) return UsbStatus::InvalidHandle;
    const speed_t speed = SpeedOf(baudRate);
    if (speed == B0) return UsbStatus::InvalidBaudRate;
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return UsbStatus::DeviceIoFailed;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? UsbStatus::Success : UsbStatus::DeviceIoFailed;
}

// ---- the bridge in use ----

namespace {
UsbBridge* gInstalled = nullptr;
}

UsbBridge& UsbBridge::Current() { return gInstalled ? *gInstalled : TtyUsbBridge::Instance(); }

void UsbBridge::Install(UsbBridge* bridge) { gInstalled = bridge; }
