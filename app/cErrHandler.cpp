#include "app/cErrHandler.h"

#include "app/VBConv.h"
#include "app/cQueue.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMetaType>
#include <exception>
#include <new>

cErrHandler gErr;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The application-defined error of a Destination that is neither a text nor an object.
constexpr int32_t kInvalidObjectType = static_cast<int32_t>(0x800403E8u);

// How many times an old trace file is deleted before tracing goes on without it: a file
// that cannot be deleted (no write access to the folder, a folder of that name) must not
// hold the program up.
constexpr int kTraceDeleteAttempts = 10;

// A trace line as it is queued: the moment, the event and the procedure. The trace of
// the exchange in flight is emptied by its reply many times a second and is read only
// after something went wrong, so the line is made text only when it is read.
struct TraceMark {
    float at = 0;
    const char* what = "";
    QString procedure;
    QString Text() const { return vb::CStrSingle(at) + QLatin1String(what) + procedure; }
};

// Anyone reading the queue takes a mark as its text (QVariant::toString and friends).
const bool kTraceMarkReadsAsText = QMetaType::registerConverter<TraceMark, QString>(&TraceMark::Text);

// The type code the original gave a value (its VarType).
int TypeCodeOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::Nullptr: return 1;
    case QMetaType::Short:
    case QMetaType::UShort: return 2;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return 3;
    case QMetaType::Float: return 4;
    case QMetaType::Double: return 5;
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime: return 7;
    case QMetaType::QString: return 8;
    case QMetaType::Bool: return 11;
    case QMetaType::UChar:
    case QMetaType::Char:
    case QMetaType::SChar: return 17;
    default: return 12;
    }
}

QString TwoDigits(int i) { return i < 10 ? QStringLiteral("0") + QString::number(i) : QString::number(i); }

}  // namespace

cErrHandler::cErrHandler() {
    procStack_.resize(static_cast<size_t>(maxProcStackItems_) + 3);
    traceFile_ = InProgramFolder(QStringLiteral("trace.log"));
}

cErrHandler::~cErrHandler() {
    // At the program's very end (after the application object is gone) nothing can be
    // shown any more; the original's End skipped this message too.
    if (stackPointer_ != 0 && QCoreApplication::instance()) {
        MsgBox(QStringLiteral("Non Fatal Error:") + kCrLf + QStringLiteral("Error Trace Stack = ") +
                   QString::number(stackPointer_) + QStringLiteral(" on Terminate.") + kCrLf +
                   QStringLiteral("Procedure: ") + StackSlot(stackPointer_),
               vbInformation);
    }
}

void cErrHandler::setDestination(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        destination_ = value.toString();
        return;
    }
    if (value.typeId() == QMetaType::QObjectStar) return;
    throw RuntimeError(kInvalidObjectType, QStringLiteral("Invalid object type: ") + QString::number(TypeCodeOf(value)));
}

void cErrHandler::setMaxProcStackItems(int16_t value) {
    if (value < -2) throw RuntimeError::SubscriptOutOfRange();
    maxProcStackItems_ = value;
    procStack_.assign(static_cast<size_t>(value) + 3, QString());
}

void cErrHandler::setTraceExecution(bool value) {
    traceExecution_ = value;
    if (!value) return;
    traceFile_ = InProgramFolder(QStringLiteral("trace.log"));
    DeleteOldTraceFile();
}

void cErrHandler::DeleteOldTraceFile() const {
    for (int attempt = 0; attempt < kTraceDeleteAttempts; ++attempt) {
        QFile::remove(traceFile_);
        if (!QFile::exists(traceFile_)) return;
        DoEvents();
    }
}

bool cErrHandler::ClearLog() {
    if (!destination_.isEmpty()) QFile::remove(ResolvePath(destination_));
    return true;
}

QString cErrHandler::StackSlot(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(procStack_.size())) return {};
    return procStack_[static_cast<size_t>(slot)];
}

void cErrHandler::Push(const QString& procName) {
    if (stackPointer_ == INT16_MAX) throw RuntimeError::Overflow();
    ++stackPointer_;
    // Past the maximum the two spare slots still take a name, so the innermost procedure
    // of a slightly too deep chain is named in a report; beyond them nothing is stored.
    if (stackPointer_ < static_cast<int>(procStack_.size())) procStack_[static_cast<size_t>(stackPointer_)] = procName;
    if (stackPointer_ > maxProcStackItems_) {
        MsgBox(QStringLiteral("Non Fatal Error:") + kCrLf + QStringLiteral("Error Stack Overflow."), vbInformation);
    }
    if (traceExecution_) AddTraceLine(" Push: ");
}

void cErrHandler::Pop() {
    if (traceExecution_) AddTraceLine(" Pop: ");
    if (stackPointer_ >= 0 && stackPointer_ < static_cast<int>(procStack_.size())) {
        procStack_[static_cast<size_t>(stackPointer_)].clear();
    }
    --stackPointer_;
    if (stackPointer_ < 0) {
        MsgBox(QStringLiteral("Non Fatal Error:") + kCrLf + QStringLiteral("Error Stack Underflow."), vbInformation);
        stackPointer_ = 0;
    }
}

void cErrHandler::AddTraceLine(const char* what) const {
    (void)kTraceMarkReadsAsText;
    gQueue.EnQueue(QVariant::fromValue(TraceMark{Timer(), what, StackSlot(stackPointer_)}));
}

RuntimeError cErrHandler::CurrentError() {
    const std::exception_ptr current = std::current_exception();
    if (!current) return {};
    try {
        std::rethrow_exception(current);
    } catch (const RuntimeError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {51, QStringLiteral("Internal error")};
    }
}

void cErrHandler::HandleError() { HandleError(CurrentError()); }

void cErrHandler::HandleError(const RuntimeError& error) {
    errNumber_ = error.number;
    errLine_ = error.line;
    errDescription_ = error.description;
    errProcedure_ = StackSlot(stackPointer_);
    if (msgTitle_.isEmpty()) msgTitle_ = App().Title;

    bool cancel = false;
    emit BeforeHandlerCalled(cancel);
    if (cancel) return;

    WriteReport();
    if (displayMsgOnError_) ShowMessage();
    emit AfterHandlerCalled();
}

QString cErrHandler::Report() const {
    QString r;
    const auto line = [&r](const QString& text) { r += text + kCrLf; };
    line(msgTitle_ + QStringLiteral(" Application Error Information"));
    line(QString(36, '='));
    line(QStringLiteral("Current Time   : ") + vb::Format(Now(), QStringLiteral("General Date")));
    line(QStringLiteral("Error String   : ") + errDescription_.left(255));
    line(QStringLiteral("Error Number   : ") + QString::number(errNumber_));
    line(QStringLiteral("Error Line     : ") + QString::number(errLine_));
    line(QStringLiteral("Error Procedure: ") + errProcedure_);
    line(QString());
    line(QStringLiteral("Procedure Stack"));
    line(QString(15, '-'));
    for (size_t i = 0; i < procStack_.size(); ++i) {
        if (procStack_[i].isEmpty()) continue;
        line(TwoDigits(static_cast<int>(i)) + QString(static_cast<int>(2 * i), ' ') + procStack_[i]);
    }
    line(QString());
    if (!currentOperation_.isEmpty()) line(QStringLiteral("Current Operation: ") + currentOperation_);
    if (includeExpandedInfo_) {
        const AppInfoData& app = App();
        line(QString());
        line(QStringLiteral("Additional Information"));
        line(QString(22, '-'));
        line(QStringLiteral("Current Directory: ") + QDir::toNativeSeparators(QDir::currentPath()));
        line(QStringLiteral("App Title: ") + app.Title);
        line(QStringLiteral("App CompanyName: ") + app.CompanyName);
        line(QStringLiteral("App Major: ") + QString::number(app.Major));
        line(QStringLiteral("App Minor: ") + QString::number(app.Minor));
        line(QStringLiteral("App Revision: ") + QString::number(app.Revision));
        line(QStringLiteral("App Path: ") + ProgramFolder());
        line(QStringLiteral("App ProductName: ") + app.ProductName);
    }
    return r;
}

void cErrHandler::WriteReport() const {
    // A report that cannot be written (no such folder, no write access) is left out; the
    // message still tells the user.
    QFile file(ResolvePath(destination_));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    file.write(Report().toUtf8());
}

bool cErrHandler::Note(const QString& text) const {
    QFile file(ResolvePath(destination_));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const QByteArray line = (vb::Format(Now(), QStringLiteral("General Date")) + QStringLiteral("  ") + text + kCrLf).toUtf8();
    return file.write(line) == line.size() && file.flush();
}

void cErrHandler::ShowMessage() const {
    QString text = QStringLiteral("The following error has occurred in procedure: ") + kCrLf + errProcedure_ +
                   QStringLiteral(" on line ") + QString::number(errLine_) + kCrLf + QStringLiteral("Error (") +
                   QString::number(errNumber_) + QStringLiteral(") ") + errDescription_;
    if (!currentOperation_.isEmpty()) text += kCrLf + QStringLiteral("Current Operation: ") + currentOperation_;
    MsgBox(text, vbCritical + vbOKOnly, msgTitle_);
}
