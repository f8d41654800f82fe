#include "app/cQueue.h"

#include "app/RoutineError.h"

#include <algorithm>

cQueue gQueue;

cQueue::cQueue() {
    RunReportingErrors(QStringLiteral("Class_Initialize"),
                       [&] { items_.resize(static_cast<size_t>(m_) + 1); });
}

void cQueue::setSize(int16_t intValue) {
    RunReportingErrors(QStringLiteral("Size"), [&] {
        if (intValue == INT16_MAX) throw RuntimeError::Overflow();
        if (intValue < 0) throw RuntimeError::SubscriptOutOfRange();
        // The queued items move to the start of the resized ring in their order (the newest
        // that fit when it shrinks). Left where they were, a grown ring would hand out its
        // empty slots, and one shrunk below head or tail would never read as empty again.
        std::vector<QVariant> queued;
        while (head_ != tail_) {
            head_ = static_cast<int16_t>((head_ + 1) % m_);
            queued.push_back(items_[static_cast<size_t>(head_)]);
        }
        m_ = static_cast<int16_t>(intValue + 1);
        items_.assign(static_cast<size_t>(m_) + 1, QVariant());
        head_ = 0;
        tail_ = 0;
        for (const QVariant& item : queued) append(item);
    });
}

void cQueue::ClearQueue() {
    head_ = 0;
    tail_ = 0;
    std::fill(items_.begin(), items_.end(), QVariant());
}

bool cQueue::DeQueue(QVariant& varData) {
    bool found = false;
    RunReportingErrors(QStringLiteral("DeQueue"), [&] {
        if (head_ == tail_) {
            varData = QVariant();
            return;
        }
        head_ = static_cast<int16_t>((head_ + 1) % m_);
        varData = items_[static_cast<size_t>(head_)];
        found = true;
    });
    return found;
}

void cQueue::EnQueue(const QVariant& varData) {
    RunReportingErrors(QStringLiteral("EnQueue"), [&] { append(varData); });
}

void cQueue::append(const QVariant& varData) {
    const auto next = static_cast<int16_t>((tail_ + 1) % m_);
    // A full ring would make tail meet head and read as empty: drop the oldest instead.
    if (next == head_) head_ = static_cast<int16_t>((head_ + 1) % m_);
    tail_ = next;
    items_[static_cast<size_t>(tail_)] = varData;
}

bool cQueue::Front(QVariant& varData) {
    bool found = false;
    RunReportingErrors(QStringLiteral("Front"), [&] {
        if (head_ == tail_) {
            varData = QVariant();
            return;
        }
        varData = items_[static_cast<size_t>((head_ + 1) % m_)];
        found = true;
    });
    return found;
}
