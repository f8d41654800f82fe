// The one wait for a recipe database that another program holds (an SQL shell, a backup
// tool, a recipe browser): every load and save of the program goes through it.
//
// The engine itself never waits for a lock. A piece of work is tried; when a lock refuses
// it, it is undone and tried again after a slice of the program's message-pumping wait,
// so the unit's poll, the control tick, the remote port and the inputs go on meanwhile;
// after the bound it is refused, naming the file and what was not done. A wait lets
// events run, and a handler among them could start work with the file again: such work
// is refused at once instead of nesting inside the wait. Nothing inside an attempt lets
// events run (its boxes are shown after it), so whatever an attempt calls is part of it.
// The events of a slice may also have moved on what the work checked before it began (the
// run started or stopped, the program ending): that is looked at before every attempt,
// with nothing in between, and the work is refused whole when it no longer holds.
#include "app/Hooks.h"
#include "app/SettingsGlobals.h"
#include "app/modWait.h"
#include "data/modDB.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace modDB {

namespace {

// How long a piece of work waits for a file another program holds, loads and saves alike.
constexpr int kLockWaitMs = 10000;
// How often it is tried meanwhile.
constexpr int kSliceMs = 100;

int gLockWaitMs = kLockWaitMs;
int gAttemptDepth = 0;
bool gWaiting = false;
bool gEnded = false;  // the wait going on gives up at its next slice

QString FileName(const QString& file) { return QDir::toNativeSeparators(QFileInfo(ResolvePath(file)).absoluteFilePath()); }

QString NotDone(FileUse use, const QString& what) {
    return use == FileUse::Read
               ? what + QStringLiteral(" could not be read, and nothing was changed.")
               : what + QStringLiteral(" could not be saved. What the program holds stays in it and can be saved again.");
}

void ShowWait(const QString& text) {
    if (Hooks::ShowFileWait) Hooks::ShowFileWait(text);
}

// The wait shown for as long as it lasts, and its slices: while it lives, other work is
// refused.
class Waiting {
public:
    explicit Waiting(const QString& file) {
        gWaiting = true;
        ShowWait(QStringLiteral("Waiting for %1, which another program holds...").arg(QFileInfo(file).fileName()));
    }
    ~Waiting() {
        gWaiting = false;
        ShowWait(QString());
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;
};

}  // namespace

FileRefused::FileRefused(const QString& text) : RuntimeError(kLockedError, text) {}

void SetLockWaitMs(int ms) { gLockWaitMs = ms > 0 ? ms : kLockWaitMs; }

bool InFileAttempt() { return gAttemptDepth > 0; }

bool FileWaitGoing() { return gWaiting; }

void EndFileWait() { gEnded = FileWaitGoing(); }

void WaitForFile(const QString& file, FileUse use, const QString& what, const std::function<void()>& attempt,
                 const std::function<QString()>& stillHolds) {
    if (InFileAttempt()) {
        attempt();  // a part of the work being tried
        return;
    }
    if (FileWaitGoing()) {
        throw FileRefused(QStringLiteral("The recipe database %1 is being waited for: another program holds it. ")
                              .arg(FileName(file)) +
                          NotDone(use, what) + QStringLiteral(" Try again once the wait has ended."));
    }
    const int64_t start = TickMs();
    gEnded = false;
    std::optional<Waiting> waiting;
    for (;;) {
        // Events ran in the slice: the program's end, a stop or another run state
        // meanwhile refuse the work whole, before anything of it is tried again. Nothing
        // runs between this look and the attempt.
        if (gEnded) {
            waiting.reset();
            throw FileRefused(QStringLiteral("The recipe database %1 is held by another program, and the program is ending: ")
                                  .arg(FileName(file)) +
                              NotDone(use, what));
        }
        if (stillHolds) {
            const QString changed = stillHolds();
            if (!changed.isEmpty()) {
                waiting.reset();
                throw FileRefused(QStringLiteral("While it waited for the recipe database %1, %2: ")
                                      .arg(FileName(file), changed) +
                                  what + QStringLiteral(" was left undone, and nothing was changed."));
            }
        }
        {
            // A box the attempt asks for is shown once it is over, or not at all when it is
            // undone to be tried again.
            DeferredBoxes boxes;
            ++gAttemptDepth;
            try {
                attempt();
                --gAttemptDepth;
                waiting.reset();
                return;
            } catch (const RuntimeError& e) {
                --gAttemptDepth;
                if (e.number != kLockedError || dynamic_cast<const FileRefused*>(&e)) {
                    boxes.Show();
                    throw;
                }
                boxes.Drop();
            } catch (...) {
                --gAttemptDepth;
                boxes.Show();
                throw;
            }
        }
        const int64_t waited = TickMs() - start;
        if (waited >= gLockWaitMs) {
            waiting.reset();
            throw FileRefused(QStringLiteral("The recipe database %1 is held by another program (waited %2 s): ")
                                  .arg(FileName(file), QString::number(static_cast<double>(waited) / 1000.0, 'f', 1)) +
                              NotDone(use, what) + QStringLiteral(" Close the program that holds it, then try again."));
        }
        if (!waiting) waiting.emplace(file);
        modWait::Wait(kSliceMs);
    }
}

void WithFile(FileUse use, const QString& what, const std::function<void()>& work,
              const std::function<QString()>& stillHolds) {
    if (InFileAttempt()) {
        // A part of the work being tried: in its transaction, or in one of its own on a
        // database that has none (the file a Save As builds).
        if (!gDB.IsOpen() || gDB.TransactionOpen()) {
            work();
        } else {
            const dao::Database db = gDB;
            dao::Transaction all(db, use == FileUse::Read ? dao::Transaction::Read : dao::Transaction::Write);
            work();
            all.Commit();
        }
        return;
    }
    WaitForFile(gDB.IsOpen() ? gDB.Name() : DBFile, use, what, [&] {
        if (!gDB.IsOpen()) {
            work();  // raises the error of a missing database
            return;
        }
        const dao::Database db = gDB;
        dao::Transaction all(db, use == FileUse::Read ? dao::Transaction::Read : dao::Transaction::Write);
        work();
        all.Commit();
    }, stillHolds);
}

void TellRefusal(const FileRefused& refusal) { MsgBox(refusal.description, vbExclamation); }

}  // namespace modDB
