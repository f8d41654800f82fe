#pragma once
// Another program holding a database file's write lock, as an SQL shell's BEGIN EXCLUSIVE
// or a backup tool does: a process of its own (the sqlite3 shell) takes the lock after
// afterMs and gives it back after holdMs, or when released (holdMs < 0). It holds the lock
// exactly while its process runs past the BEGIN: the shell ends, and the lock goes with it,
// when its input is closed.
#include "data/modDB.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

class OtherProgramLock {
public:
    explicit OtherProgramLock(const QString& file, int holdMs = -1, int afterMs = 0)
        : thread_([this, file, holdMs, afterMs] { Hold(file, holdMs, afterMs); }) {}
    ~OtherProgramLock() {
        Release();
        thread_.join();
    }
    OtherProgramLock(const OtherProgramLock&) = delete;
    OtherProgramLock& operator=(const OtherProgramLock&) = delete;

    // Until the lock is taken (false: it could not be).
    bool WaitTaken() const {
        while (state_ == kWaiting) std::this_thread::yield();
        return state_ == kTaken || state_ == kGivenBack;
    }
    bool Taken() const { return state_ == kTaken; }
    bool GivenBack() const { return state_ == kGivenBack || state_ == kFailed; }
    void Release() { release_ = true; }

private:
    enum State { kWaiting, kTaken, kGivenBack, kFailed };
    void Hold(const QString& file, int holdMs, int afterMs) {
        using namespace std::chrono;
        std::this_thread::sleep_for(milliseconds(afterMs));
        QTemporaryDir scratch;
        const QString taken = QDir(scratch.path()).filePath(QStringLiteral("taken"));
        QProcess shell;
        shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), file});
        if (!shell.waitForStarted(10000)) {
            state_ = kFailed;
            return;
        }
        // The shell tells that it holds the lock by a file it makes once BEGIN has passed.
        shell.write(QStringLiteral(".timeout 30000\nBEGIN EXCLUSIVE;\n.system touch '%1'\n").arg(taken).toUtf8());
        shell.waitForBytesWritten(10000);
        while (!QFile::exists(taken) && shell.state() == QProcess::Running) shell.waitForFinished(5);
        if (!QFile::exists(taken)) {
            state_ = kFailed;
            return;
        }
        state_ = kTaken;
        const auto until = steady_clock::now() + milliseconds(holdMs);
        while (!release_ && (holdMs < 0 || steady_clock::now() < until)) std::this_thread::sleep_for(milliseconds(5));
        shell.closeWriteChannel();
        if (!shell.waitForFinished(10000)) {
            shell.kill();
            shell.waitForFinished(10000);
        }
        state_ = kGivenBack;
    }

    std::atomic<int> state_{kWaiting};
    std::atomic<bool> release_{false};
    std::thread thread_;
};

// The station's wait for a locked file shortened for the length of a test.
struct LockWaitForTest {
    explicit LockWaitForTest(int ms) { modDB::SetLockWaitMs(ms); }
    ~LockWaitForTest() { modDB::SetLockWaitMs(0); }
    LockWaitForTest(const LockWaitForTest&) = delete;
    LockWaitForTest& operator=(const LockWaitForTest&) = delete;
};
