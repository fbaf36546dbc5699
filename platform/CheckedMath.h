#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

// Signed arithmetic that refuses to wrap. The std::optional forms report an
// overflow as nullopt; the plain forms raise the run-time error.
std::optional<qint32> tryAdd32(qint32 a, qint32 b);
std::optional<qint16> tryNarrow16(qint64 value);

qint32 checkedAdd32(qint32 a, qint32 b);
qint16 checkedNarrow16(qint64 value);

class QString;

// Reports an error the program cannot go on from through the handler (by
// default the text goes to standard error), then ends the program with a
// non-zero status. A handler may show the error and return, or throw (tests).
[[noreturn]] void runTimeError(int code, const QString& what);
using RunTimeErrorHandler = std::function<void(int code, const QString& what)>;
// An empty handler restores the default.
void setRunTimeErrorHandler(RunTimeErrorHandler handler);

// The text the player is shown: "実行時エラー '6':" and the cause.
QString runTimeErrorText(int code, const QString& what);

constexpr int OverflowError = 6;
