#include "platform/CheckedMath.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

RunTimeErrorHandler& handler()
{
    static RunTimeErrorHandler current;
    return current;
}

} // namespace

std::optional<qint32> tryAdd32(qint32 a, qint32 b)
{
    qint32 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return std::nullopt;
    return sum;
}

std::optional<qint16> tryNarrow16(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(value);
}

qint32 checkedAdd32(qint32 a, qint32 b)
{
    if (const auto sum = tryAdd32(a, b))
        return *sum;
    runTimeError(OverflowError, QStringLiteral("オーバーフローしました。"));
}

qint16 checkedNarrow16(qint64 value)
{
    if (const auto narrow = tryNarrow16(value))
        return *narrow;
    runTimeError(OverflowError, QStringLiteral("オーバーフローしました。"));
}

void runTimeError(int code, const QString& what)
{
    if (handler())
        handler()(code, what);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(runTimeErrorText(code, what)));
    // Leave at once: no later step may run on a wrong value.
    std::_Exit(EXIT_FAILURE);
}

QString runTimeErrorText(int code, const QString& what)
{
    return QStringLiteral("実行時エラー '%1':\n\n%2").arg(code).arg(what);
}

void setRunTimeErrorHandler(RunTimeErrorHandler replacement)
{
    handler() = std::move(replacement);
}
