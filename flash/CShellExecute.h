#pragma once
// Starting documents, folders, addresses and programs from the programmer, and asking
// whether the last program started is still running. Every operation answers -1 on
// success, else an error code of 32 or below (2 file not found, 3 path not found,
// 31 nothing to open it with). The owner window and the show style are accepted for the
// callers' sake; the desktop decides where and how things show.
#include <QString>
#include <cstdint>

namespace NorvikFlash {

class CShellExecute {
public:
    // Error codes of the operations.
    static constexpr int32_t kFileNotFound = 2;
    static constexpr int32_t kPathNotFound = 3;
    static constexpr int32_t kNoAssociation = 31;

    // True while the program of the last launch that kept its process is running.
    bool StillExecuting() const;

    int32_t Explore(intptr_t owner, const QString& folder, int32_t show = 1);
    int32_t LaunchDocument(intptr_t owner, const QString& document, const QString& startIn, int32_t show = 1);
    int32_t LaunchEmail(intptr_t owner, const QString& address, int32_t show = 1);
    int32_t LaunchFolder(intptr_t owner, const QString& folder, int32_t show = 1);
    // Starts the program with its parameters (split as a shell would) in startIn (the
    // current folder when empty) and keeps its process for StillExecuting.
    int32_t LaunchProgram(intptr_t owner, const QString& program, const QString& parameters = QString(),
                          const QString& startIn = QString(), int32_t show = 1);
    int32_t LaunchURL(intptr_t owner, const QString& address, int32_t show = 1);
    // Hands the document to the print spooler.
    int32_t PrintDocument(intptr_t owner, const QString& document);

private:
    void begin();
    int32_t finish(int32_t instanceResult);
    int32_t openUrl(const QString& url);

    int32_t InstanceResult_ = 0;  // 33 or more on success, else the error code
    int64_t ProcessHandle_ = 0;   // process id of the last launch that kept it
};

}  // namespace NorvikFlash
