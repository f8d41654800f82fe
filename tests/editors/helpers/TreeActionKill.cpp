// A child program for the test that the process tree's actions are whole in the file:
//
//   tree_action_kill <database> <script> <K>
//
// loads the database as the start-up does (process 1 active, the run stopped), opens the
// process tree and runs the script's steps. From the step after "|" on it counts the SQL
// statements the database starts and kills itself (SIGKILL, as a crash does) right
// before the K-th one; with K 0 it runs the script to its end, prints
// "statements <n>" and the prompts of the boxes it answered, and ends at once, the
// database as the last step left it.
//
// Steps, separated by ";": "select <node key>" clicks the node; "edit", "cut", "copy",
// "paste" press the buttons; "mode <0..3>" chooses where a layer is pasted; "answer <text>"
// queues the text for the next input box, "no" a No for the next message box (other boxes
// get OK or Yes); "active <n>" makes process n active; "ok", "cancel" close the window;
// "open" opens it (the first step opens it unless the script does).
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "data/modDB.h"
#include "editors/frmProcess.h"
#include "platform/TreeView.h"
#include "run/ProgramObjects.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace {

long gKillAt = 0;
long gStarted = 0;

int OnStatement(unsigned, void*, void*, void*) {
    if (++gStarted == gKillAt) ::kill(::getpid(), SIGKILL);
    return 0;
}

// Counts the statements of every open database connection from now on, through the
// SQLite library that the Qt driver uses.
void CountStatements() {
    using TraceV2 = int (*)(void*, unsigned, int (*)(unsigned, void*, void*, void*), void*);
    void* library = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
    auto trace = library ? reinterpret_cast<TraceV2>(::dlsym(library, "sqlite3_trace_v2")) : nullptr;
    if (!trace) {
        std::fprintf(stderr, "no sqlite3_trace_v2\n");
        std::_Exit(3);
    }
    constexpr unsigned kTraceStatement = 0x01;
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QVariant handle = QSqlDatabase::database(name, false).driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0) continue;
        void* connection = *static_cast<void* const*>(handle.constData());
        if (connection) trace(connection, kTraceStatement, &OnStatement, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: tree_action_kill <database> <script> <K>\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QStringList steps = QString::fromUtf8(argv[2]).split(';', Qt::SkipEmptyParts);
    const long killAt = std::atol(argv[3]);

    TempProgramFolder folder;
    DialogRecorder boxes;
    ProgramObjects::CreateApp();
    ProgramObjects::CreateUnit();
    ProgramObjects::CreateQCM();
    modDB::DBLoad(file);
    RunApp().setProcNum(1);
    RunApp().setPhase(PhaseCode::Stopped);

    frmProcess* tree = nullptr;
    const auto open = [&] { tree = ProcessEditor(); };
    if (!steps.value(0).trimmed().startsWith(QLatin1String("open")) &&
        !steps.value(0).trimmed().startsWith(QLatin1String("|")))
        open();
    for (QString step : steps) {
        step = step.trimmed();
        if (step.startsWith('|')) {
            gKillAt = killAt;
            CountStatements();
            step = step.mid(1).trimmed();
            if (step.isEmpty()) continue;
        }
        const QString verb = step.section(' ', 0, 0);
        const QString arg = step.section(' ', 1);
        if (verb == "open") {
            open();
        } else if (verb == "select") {
            TreeNode* node = tree->TV1->Nodes().Item(arg);
            if (!node) {
                std::fprintf(stderr, "no node %s\n", qPrintable(arg));
                std::_Exit(4);
            }
            node->setSelected(true);
            tree->TV1_NodeClick(node);
        } else if (verb == "edit" || verb == "cut" || verb == "copy" || verb == "paste") {
            const int index = QStringList{"edit", "cut", "copy", "paste"}.indexOf(verb);
            tree->cmdEdit_Click(index);
        } else if (verb == "mode") {
            tree->optPaste[arg.toInt()]->setChecked(true);
            tree->optPaste_Click(arg.toInt());
        } else if (verb == "answer") {
            boxes.answer(vbOK, arg);
        } else if (verb == "no") {
            boxes.answer(vbNo);
        } else if (verb == "active") {
            RunApp().setProcNum(int16_t(arg.toInt()));
        } else if (verb == "ok" || verb == "cancel") {
            tree->cmdForm_Click(verb == "ok" ? 0 : 1);
        } else {
            std::fprintf(stderr, "unknown step %s\n", qPrintable(step));
            std::_Exit(5);
        }
    }
    std::printf("statements %ld\n", gStarted);
    for (const QString& prompt : boxes.prompts()) std::printf("box: %s\n", qPrintable(prompt.simplified()));
    std::fflush(stdout);
    // Ends as a program killed right after the last step would: nothing more is written.
    std::_Exit(0);
}
