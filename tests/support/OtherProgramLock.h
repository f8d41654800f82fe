#pragma once
// Another program holding a database file's write lock, as an SQL shell's BEGIN EXCLUSIVE
// or a backup tool does: a connection of its own on a thread of its own takes the lock
// after afterMs, and gives it back after holdMs, or when released (holdMs < 0).
#include "data/modDB.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
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
    bool GivenBack() const { return state_ == kGivenBack || state_ == kFailed; }
    void Release() { release_ = true; }

private:
    enum State { kWaiting, kTaken, kGivenBack, kFailed };
    void Hold(const QString& file, int holdMs, int afterMs) {
        using namespace std::chrono;
        std::this_thread::sleep_for(milliseconds(afterMs));
        const QString name = QStringLiteral("other-program-%1").arg(reinterpret_cast<quintptr>(this));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
            QSqlQuery q(db);
            if (!db.open() || !q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
                state_ = kFailed;
            } else {
                state_ = kTaken;
                const auto until = steady_clock::now() + milliseconds(holdMs);
                while (!release_ && (holdMs < 0 || steady_clock::now() < until)) std::this_thread::sleep_for(milliseconds(10));
                q.exec(QStringLiteral("ROLLBACK"));
                state_ = kGivenBack;
            }
            q = QSqlQuery();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
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
