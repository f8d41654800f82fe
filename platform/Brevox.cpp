#include "platform/Brevox.h"

namespace Brevox {
namespace {
Factory& installed() {
    static Factory factory;
    return factory;
}
}  // namespace

std::unique_ptr<BrevoxComm> Create() {
    const Factory& factory = installed();
    return factory ? factory() : nullptr;
}

void SetFactory(Factory factory) { installed() = std::move(factory); }

}  // namespace Brevox
