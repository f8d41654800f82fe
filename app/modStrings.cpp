#include "app/modStrings.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"

namespace modStrings {

QString GetDelimitedWord(const QString& Text, int32_t n, const QString& Delim) {
    return ResultReportingErrors<QString>(QStringLiteral("GetDelimitedWord"), {}, [&]() -> QString {
        if (n < 1) return {};
        int start = 1;
        for (int32_t i = 2; i <= n; ++i) {
            const int found = vb::InStr(start, Text, Delim);
            if (found == 0) return {};
            start = found + 1;
        }
        const int found = vb::InStr(start, Text, Delim);
        const int end = found == 0 ? vb::Len(Text) : found - 1;
        return vb::Mid(Text, start, end - start + 1);
    });
}

QString GetSubString(const QString& Text, int32_t n, const QString& Delim) {
    return ResultReportingErrors<QString>(QStringLiteral("GetSubString"), {}, [&] {
        int start = 1;
        for (int32_t i = 2; i <= n; ++i) start = vb::InStr(start, Text, Delim) + 1;
        int end = vb::InStr(start, Text, Delim) - 1;
        if (end < 1) end = vb::Len(Text);
        return vb::Mid(Text, start, end - start + 1);
    });
}

QString ReplaceChars(const QString& Text, const QString& Find, const QString& Replacement) {
    return ResultReportingErrors<QString>(QStringLiteral("ReplaceChars"), {}, [&] {
        if (Find.size() != 1) return Text;
        QString out = Text;
        return out.replace(Find.front(), Replacement);
    });
}

}  // namespace modStrings
