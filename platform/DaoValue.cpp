// How a value written is stored in a column: as the engine stored it, fit for the
// column's declared type.
#include "platform/DaoEngine.h"

#include <cmath>

namespace dao::detail {

namespace {

enum class Affinity { Integer, Real, Text, Any };

Affinity AffinityOf(const QString& declaredType) {
    if (declaredType.contains(QLatin1String("INT"))) return Affinity::Integer;
    if (declaredType.contains(QLatin1String("CHAR")) || declaredType.contains(QLatin1String("CLOB")) ||
        declaredType.contains(QLatin1String("TEXT"))) {
        return Affinity::Text;
    }
    if (declaredType.contains(QLatin1String("REAL")) || declaredType.contains(QLatin1String("FLOA")) ||
        declaredType.contains(QLatin1String("DOUB"))) {
        return Affinity::Real;
    }
    return Affinity::Any;
}

[[noreturn]] void ConversionError() { Raise(kConversionError, QStringLiteral("Data type conversion error.")); }

// A value written into a number column, as a double; True is -1 as the original had it.
double NumberForColumn(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? -1.0 : 0.0;
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) ConversionError();
    return d;
}

}  // namespace

QVariant ValueForColumn(const QVariant& value, const QString& declaredType) {
    if (value.isNull()) return {};
    switch (AffinityOf(declaredType)) {
    case Affinity::Integer: {
        // Whole-number columns round half to even (the default rounding mode).
        const double whole = std::nearbyint(NumberForColumn(value));
        const bool small = declaredType.contains(QLatin1String("SMALLINT"));
        const double lo = small ? -32768.0 : -2147483648.0;
        const double hi = small ? 32767.0 : 2147483647.0;
        if (!(whole >= lo && whole <= hi)) Raise(kNumericOverflow, QStringLiteral("Numeric field overflow."));
        return QVariant(static_cast<qint64>(whole));
    }
    case Affinity::Real: return QVariant(NumberForColumn(value));
    case Affinity::Text:
        if (value.typeId() == QMetaType::Bool) return QString::fromLatin1(value.toBool() ? "True" : "False");
        return value.toString();
    case Affinity::Any: break;
    }
    return value;
}

}  // namespace dao::detail
