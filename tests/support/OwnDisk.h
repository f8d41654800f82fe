#pragma once
// A small disk of a program's own, for the tests of a full disk: the program runs in a
// mount namespace of its own (as the user mapped to root), in which a folder holds a file
// system of the given size. Outside the program the folder stays as it was.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace OwnDisk {

// Whether this system lets a process have such a namespace (asked once).
inline bool Allowed() {
    static const bool allowed = [] {
        QTemporaryDir probe;
        return QProcess::execute(QStringLiteral("unshare"),
                                 {"-rm", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs \"$1\"", "sh", probe.path()}) == 0;
    }();
    return allowed;
}

// Starts program with args, the folder holding a fresh file system of kbytes; the
// program ends with 97 when it could not be made.
inline void Start(QProcess& process, const QString& folder, int kbytes, const QString& program, const QStringList& args) {
    // $1 the folder, $2 the size; the program and its arguments follow.
    const QString script = QStringLiteral("mount -t tmpfs -o size=\"$2\"k tmpfs \"$1\" || exit 97\nshift 2\nexec \"$@\"");
    process.start(QStringLiteral("unshare"),
                  QStringList{"-rm", "sh", "-c", script, "sh", folder, QString::number(kbytes), program} + args);
}

}  // namespace OwnDisk
