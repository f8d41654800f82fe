#include "remote/RequestCollector.h"

bool RequestCollector::Feed(QChar c) {
    if (c == u'@') {
        text_.truncate(0);
        text_ += c;
        dropping_ = false;
        return false;
    }
    if (dropping_) return false;
    if (c == u'\r') return true;
    if (text_.size() >= kCapacity) {
        text_.clear();
        dropping_ = true;
        return false;
    }
    text_ += c;
    return false;
}
