#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

// Signed arithmetic that refuses to wrap. The std::optional forms report an
// overflow as nullopt; the plain forms raise the run-time error.
std::optional<qint32> TryAdd32(qint32 a, qint32 b);
std::optional<qint16> TryNarrow16(qint64 value);

qint32 CheckedAdd32(qint32 a, qint32 b);
qint16 CheckedNarrow16(qint64 value);

// Reports an error the program cannot go on from: a critical message box,
// then the program ends with a non-zero status. Tests replace the ending.
[[noreturn]] void RunTimeError(int code, const QString& what);
using RunTimeErrorHandler = std::function<void(int code, const QString& what)>;
// The handler must not return (a test's handler throws); an empty one restores the default.
void SetRunTimeErrorHandler(RunTimeErrorHandler handler);

constexpr int OverflowError = 6;
