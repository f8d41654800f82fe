#include "app/cQueue.h"

#include "app/RoutineError.h"

cQueue gQueue;

cQueue::cQueue() = default;

void cQueue::setSize(int16_t intValue) {
    RunReportingErrors(QStringLiteral("Size"), [&] {
        if (intValue == INT16_MAX) throw RuntimeError::Overflow();
        if (intValue < 0) throw RuntimeError::SubscriptOutOfRange();
        // The queued items move to the start of the resized ring in their order (the newest
        // that fit when it shrinks). Left where they were, a grown ring would hand out its
        // empty slots, and one shrunk below head or tail would never read as empty again.
        Ring<QVariant> resized(0, intValue + 1);
        QVariant item;
        while (ring_.Dequeue(item)) resized.Enqueue(item);
        ring_ = std::move(resized);
    });
}

void cQueue::ClearQueue() { ring_.Clear(); }

bool cQueue::DeQueue(QVariant& varData) {
    bool found = false;
    RunReportingErrors(QStringLiteral("DeQueue"), [&] { found = ring_.Dequeue(varData); });
    return found;
}

void cQueue::EnQueue(const QVariant& varData) {
    RunReportingErrors(QStringLiteral("EnQueue"), [&] { ring_.Enqueue(varData); });
}

bool cQueue::Front(QVariant& varData) {
    bool found = false;
    RunReportingErrors(QStringLiteral("Front"), [&] { found = ring_.Front(varData); });
    return found;
}
