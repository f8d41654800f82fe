#include "platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace WholeFile {
namespace {

// What a scratch file's name adds to its target's; mkostemp fills in six letters or digits.
constexpr char kScratch[] = ".orun-write-";

// Writes the new content to a descriptor from its current offset; 0 or the error number.
using Producer = std::function<int(int fd)>;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes it now: a close can report a write the system deferred.
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

int WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

// The bytes are on the disk. A file system that cannot sync (EINVAL) has nothing to wait for.
int Sync(int fd) { return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno; }

void SyncFolder(const QByteArray& file) {
    const int folder = ::open(QFile::encodeName(QFileInfo(QFile::decodeName(file)).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    ::fsync(folder);
    ::close(folder);
}

// The new file takes the permissions of the one it replaces, else the usual ones.
mode_t ModeFor(const QByteArray& target) {
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Written beside the target and renamed over it. noScratch: the folder takes no new file.
int ReplaceByScratch(const QByteArray& target, const Producer& produce, bool& noScratch) {
    QByteArray scratch = target + kScratch + "XXXXXX";
    Descriptor f(::mkostemp(scratch.data(), O_CLOEXEC));
    if (f.get() < 0) {
        const int e = errno;
        noScratch = e == EACCES || e == EPERM;
        // The scratch file cannot be made because the target's folder is missing.
        return e == ENOENT ? ENOTDIR : e;
    }
    int e = produce(f.get());
    if (!e && ::fchmod(f.get(), ModeFor(target)) != 0) e = errno;
    if (!e) e = Sync(f.get());
    if (!e) e = f.Close();
    if (!e && ::rename(scratch.constData(), target.constData()) != 0) e = errno;
    if (e) {
        ::unlink(scratch.constData());
        return e;
    }
    SyncFolder(target);
    return 0;
}

// Written over the target's own bytes; on a failure its old bytes go back, which fit in
// the room they held.
int WriteInPlace(const QByteArray& target, const Producer& produce) {
    QFile old(QFile::decodeName(target));
    if (!old.open(QIODevice::ReadOnly)) return EACCES;
    const QByteArray original = old.readAll();
    old.close();
    Descriptor f(::open(target.constData(), O_RDWR | O_CLOEXEC));
    if (f.get() < 0) return errno;
    int e = produce(f.get());
    if (!e) {
        const off_t end = ::lseek(f.get(), 0, SEEK_CUR);
        if (end < 0 || ::ftruncate(f.get(), end) != 0) e = errno;
    }
    if (!e) e = Sync(f.get());
    if (e && ::lseek(f.get(), 0, SEEK_SET) == 0 && WriteAll(f.get(), original.constData(), original.size()) == 0) {
        if (::ftruncate(f.get(), original.size()) == 0) ::fsync(f.get());
    }
    return e;
}

int Replace(const QString& path, const Producer& produce) {
    const QFileInfo info(path);
    // A link is followed: the file it names is replaced, the link stays.
    const QString real = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray target = QFile::encodeName(real);
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return EISDIR;
        // A file without its owner's write permission is read-only: never replaced.
        if (!(st.st_mode & S_IWUSR)) return EACCES;
    }
    bool noScratch = false;
    const int e = ReplaceByScratch(target, produce, noScratch);
    if (e && noScratch && ::access(target.constData(), W_OK) == 0) return WriteInPlace(target, produce);
    return e;
}

}  // namespace

int Save(const QString& path, const QByteArray& bytes) {
    return Replace(path, [&](int fd) { return WriteAll(fd, bytes.constData(), bytes.size()); });
}

int Copy(const QString& from, const QString& to) {
    const QString source = QFileInfo(from).canonicalFilePath();
    if (source.isEmpty()) return ENOENT;
    // A file copied onto itself is already its copy; writing it in place would cut it.
    if (source == QFileInfo(to).canonicalFilePath()) return 0;
    Descriptor src(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (src.get() < 0) return errno;
    return Replace(to, [&](int fd) {
        if (::lseek(src.get(), 0, SEEK_SET) != 0) return errno;
        char block[4096];
        for (;;) {
            const ssize_t n = ::read(src.get(), block, sizeof block);
            if (n == 0) return 0;
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (const int e = WriteAll(fd, block, n)) return e;
        }
    });
}

int Append(const QString& path, const QByteArray& bytes) {
    Descriptor f(::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (f.get() < 0) return errno == ENOENT ? ENOTDIR : errno;
    struct stat st {};
    if (::fstat(f.get(), &st) != 0) return errno;
    const int e = WriteAll(f.get(), bytes.constData(), bytes.size());
    // A line torn off at the disk's last free byte would stay in the file for good. Only a
    // regular file can be cut back (a device such as /dev/full has nothing to cut).
    if (e && S_ISREG(st.st_mode)) {
        while (::ftruncate(f.get(), st.st_size) != 0 && errno == EINTR) {
        }
    }
    if (e) return e;
    return f.Close();
}

int RemoveScratchCopies(const QString& folder) {
    static const QRegularExpression scratch(QStringLiteral("^.+") + QRegularExpression::escape(QLatin1String(kScratch)) +
                                            QStringLiteral("[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (scratch.match(name).hasMatch() && QFile::remove(dir.filePath(name))) ++removed;
    }
    return removed;
}

RuntimeError ErrorOf(int osError, const QString& what) {
    int number = 57;
    QString text = QStringLiteral("Device I/O error");
    switch (osError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        number = 61;
        text = QStringLiteral("Disk full");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        number = 75;
        text = QStringLiteral("Path/File access error");
        break;
    case ENOENT:
        number = 53;
        text = QStringLiteral("File not found");
        break;
    case ENOTDIR:
        number = 76;
        text = QStringLiteral("Path not found");
        break;
    default: break;
    }
    if (!what.isEmpty()) text += QStringLiteral(": ") + what;
    // A missing folder is all there is to say; otherwise the system's words tell more.
    if (osError != ENOTDIR) text += QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(osError)) + ')';
    return RuntimeError(number, text);
}

}  // namespace WholeFile
