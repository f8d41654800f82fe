#include "app/cIniFile.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"
#include "app/modFileUtil.h"
#include "app/modOSInfo.h"
#include "platform/IniProfile.h"
#include "platform/ProgramFolder.h"

#include <cmath>
#include <limits>

namespace {

QString field(const QString& value, int k, const QString& Default) {
    if (value.isEmpty()) return {};
    int n = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u',') continue;
        if (n == k) return value.mid(start, i - start);
        ++n;
        start = i + 1;
    }
    return n == k ? value.mid(start) : Default;
}

}  // namespace

QString cIniFile::readValue(const QString& Section, const QString& KeyName, const QString& Default) const {
    const QString value =
        path_.isEmpty() ? Default : IniProfile::GetString(ResolvePath(path_), Section, KeyName, Default);
    return modOSInfo::TrimNulls(value).left(kMaxValueChars);
}

float cIniFile::ReadIniSingle(const QString& Section, const QString& KeyName, float Default) {
    return ResultReportingErrors<float>(QStringLiteral("ReadIniSingle"), 0.0f, [&] {
        const QString text = readValue(Section, KeyName, vb::CStrSingle(Default));
        if (text.isEmpty()) return Default;
        const double v = vb::Val(text);
        if (std::fabs(v) > std::numeric_limits<float>::max()) throw RuntimeError::Overflow();
        return static_cast<float>(v);
    });
}

int16_t cIniFile::ReadIniInt(const QString& Section, const QString& KeyName, int16_t Default) {
    return ResultReportingErrors<int16_t>(QStringLiteral("ReadIniInt"), 0, [&] {
        const int64_t v =
            path_.isEmpty() ? Default : IniProfile::GetInt(ResolvePath(path_), Section, KeyName, Default);
        if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
            throw RuntimeError::Overflow();
        return static_cast<int16_t>(v);
    });
}

bool cIniFile::ReadIniBool(const QString& Section, const QString& KeyName, const QString& Default) {
    return ResultReportingErrors<bool>(QStringLiteral("ReadIniBool"), false, [&] {
        const QString v = vb::UCase(readValue(Section, KeyName, Default));
        return v == u"TRUE" || v == u"YES" || v == u"ON" || v == u"1";
    });
}

int16_t cIniFile::WriteIniStr(const QString& Section, const QString& KeyName, const QString& TextString) {
    return ResultReportingErrors<int16_t>(QStringLiteral("WriteIniStr"), 0, [&]() -> int16_t {
        if (path_.isEmpty()) return 0;
        return IniProfile::WriteString(ResolvePath(path_), Section, KeyName, TextString) ? 1 : 0;
    });
}

QString cIniFile::ReadIniStr(const QString& Section, const QString& KeyName, const QString& Default,
                             int16_t StrElement) {
    return ResultReportingErrors<QString>(QStringLiteral("ReadIniStr"), {}, [&] {
        QString value = readValue(Section, KeyName, Default);
        if (value.isEmpty()) value = Default;
        return StrElement == 0 ? value : field(value, StrElement, Default);
    });
}

void cIniFile::setFileName(const QString& File) {
    RunReportingErrors(QStringLiteral("FileName"),
                       [&] { path_ = modFileUtil::FileExists(File) ? File : QString(); });
}
