#include "qcm/TrvApi.h"

#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>
#include <dlfcn.h>

namespace TrvLibrary {
namespace {

// The loaded library and its table; unloading waits for the last holder of the table.
struct LoadedLibrary {
    void* handle = nullptr;
    TrvApi api;
    ~LoadedLibrary() {
        if (handle) dlclose(handle);
    }
};

template <typename Fn>
void resolve(void* handle, const QString& path, const char* name, Fn& entry) {
    void* symbol = dlsym(handle, name);
    if (!symbol) {
        throw RuntimeError(453, QStringLiteral("Can't find DLL entry point %1 in %2")
                                    .arg(QString::fromLatin1(name), path));
    }
    entry = reinterpret_cast<Fn>(symbol);
}

}  // namespace

QString FileName() { return QStringLiteral("libTRV600a.so"); }

QString Path() { return LibraryFolder() + QStringLiteral("/") + FileName(); }

std::shared_ptr<const TrvApi> Load(const QString& path) {
    if (!QFileInfo(path).isFile()) throw RuntimeError(53, QStringLiteral("File not found: ") + path);
    auto library = std::make_shared<LoadedLibrary>();
    library->handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library->handle) {
        const char* reason = dlerror();
        throw RuntimeError(48, QStringLiteral("Error in loading DLL: ") +
                                   (reason ? QString::fromLocal8Bit(reason) : path));
    }
    TrvApi& api = library->api;
#define TRV_RESOLVE(name) resolve(library->handle, path, #name, api.name)
    TRV_RESOLVE(Kor500Startup2);
    TRV_RESOLVE(Kor500Init);
    TRV_RESOLVE(Kor500Material);
    TRV_RESOLVE(Kor500GetMaterial);
    TRV_RESOLVE(Kor500Simulate);
    TRV_RESOLVE(Kor500StartMeas);
    TRV_RESOLVE(Kor500GetReadings);
    TRV_RESOLVE(Kor500GetAnReadings);
    TRV_RESOLVE(Kor500MapSensors);
    TRV_RESOLVE(Kor500MapAnSensors);
    TRV_RESOLVE(Kor500Loop2);
    TRV_RESOLVE(Kor500SetPower);
    TRV_RESOLVE(Kor500Auto);
    TRV_RESOLVE(Kor500FullScale);
    TRV_RESOLVE(Kor500GetPower);
    TRV_RESOLVE(Kor500ZeroSensor);
    TRV_RESOLVE(Kor500Zero2);
#undef TRV_RESOLVE
    return std::shared_ptr<const TrvApi>(library, &library->api);
}

}  // namespace TrvLibrary
