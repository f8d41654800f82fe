#pragma once
// A text of a fixed number of characters, as the original's fixed-length strings were:
// every text assigned is cut to the width or padded with blanks up to it.
#include <QString>

template <int N>
class FixedString {
    static_assert(N > 0, "empty width");

public:
    static constexpr int width = N;

    FixedString() : text_(N, QLatin1Char(' ')) {}
    FixedString(const QString& text) : text_(Fit(text)) {}  // NOLINT: assigned like a text
    FixedString(const char* text) : text_(Fit(QString::fromUtf8(text))) {}

    FixedString& operator=(const QString& text) {
        text_ = Fit(text);
        return *this;
    }

    operator const QString&() const { return text_; }  // NOLINT: read like a text
    const QString& text() const { return text_; }

    friend bool operator==(const FixedString& a, const FixedString& b) { return a.text_ == b.text_; }

private:
    static QString Fit(const QString& text) { return text.left(N).leftJustified(N, QLatin1Char(' ')); }
    QString text_;
};
