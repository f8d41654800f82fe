#include "flash/FlashUtil.h"

#include "app/modBitOps.h"
#include "app/modFileUtil.h"
#include "platform/MSComm.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace NorvikFlash {
namespace {

// The path as given, made absolute against the working directory, so that the station's
// program-folder rule never applies to it.
QString asGiven(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

bool speedOf(int32_t rate, speed_t& speed) {
    switch (rate) {
    case 1200: speed = B1200; return true;
    case 2400: speed = B2400; return true;
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    case 230400: speed = B230400; return true;
    default: return false;
    }
}

}  // namespace

bool FileExists(const QString& path) {
    return !path.isEmpty() && modFileUtil::FileExists(asGiven(path));
}

int32_t ReadFile(QFile& file, QByteArray& bytes, int32_t count) {
    if (count <= 0 || !file.isOpen()) return 0;
    QByteArray got = file.read(count);
    if (got.isEmpty()) return 0;
    bytes = std::move(got);
    return static_cast<int32_t>(bytes.size());
}

int GetFileHandle(const QString& path) {
    if (path.isEmpty()) return -1;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_PATH | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int64_t GetFileSize(const QString& path) {
    const int fd = GetFileHandle(path);
    if (fd < 0) return -1;
    struct stat st{};
    const int64_t size = ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    ::close(fd);
    return size;
}

double GetFileTime(const QString& path, int32_t which, bool toLocal) {
    if (which < 0 || which > 2 || path.isEmpty()) return 0;
    try {
        return modFileUtil::GetFileDateTime(asGiven(path), which, toLocal);
    } catch (const RuntimeError&) {
        return 0;
    }
}

uint8_t HiByte(int16_t value) { return static_cast<uint8_t>((modBitOps::IntToLong(value) / 256) & 255); }

int16_t HiWord(int32_t value) {
    const int64_t high = value >= 0 ? value / 65536 : -((-static_cast<int64_t>(value) + 65535) / 65536);
    return modBitOps::LongToInt(static_cast<int32_t>(high));
}

int16_t LoWord(int32_t value) { return modBitOps::LongToInt(value & 0xFFFF); }

void SetBaudRate(MSComm& port, int32_t rate) {
    if (!port.PortOpen())
        throw RuntimeError(8018, QStringLiteral("Operation valid only when the port is open"));
    const int fd = static_cast<int>(port.CommID());
    termios state{};
    if (fd < 0 || ::tcgetattr(fd, &state) != 0)
        throw RuntimeError(8021, QStringLiteral("Could not read current state of the port"));
    speed_t speed{};
    if (!speedOf(rate, speed) || ::cfsetispeed(&state, speed) != 0 || ::cfsetospeed(&state, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &state) != 0)
        throw RuntimeError(8015, QStringLiteral("Could not set port to specified baud rate"));
}

}  // namespace NorvikFlash
