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

std::optional<qint32> TryAdd32(qint32 a, qint32 b)
{
    qint32 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return std::nullopt;
    return sum;
}

std::optional<qint16> TryNarrow16(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(value);
}

qint32 CheckedAdd32(qint32 a, qint32 b)
{
    if (const auto sum = TryAdd32(a, b))
        return *sum;
    RunTimeError(OverflowError, QStringLiteral("オーバーフローしました。"));
}

qint16 CheckedNarrow16(qint64 value)
{
    if (const auto narrow = TryNarrow16(value))
        return *narrow;
    RunTimeError(OverflowError, QStringLiteral("オーバーフローしました。"));
}

void RunTimeError(int code, const QString& what)
{
    if (handler())
        handler()(code, what);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(RunTimeErrorText(code, what)));
    // Leave at once: no later step may run on a wrong value.
    std::_Exit(EXIT_FAILURE);
}

QString RunTimeErrorText(int code, const QString& what)
{
    return QStringLiteral("実行時エラー '%1':\n\n%2").arg(code).arg(what);
}

void SetRunTimeErrorHandler(RunTimeErrorHandler replacement)
{
    handler() = std::move(replacement);
}
