#include "platform/RunTimeErrorBox.h"

#include "platform/CheckedMath.h"
#include "platform/MsgBox.h"

#include <QString>

void ShowRunTimeErrorsInABox()
{
    SetRunTimeErrorHandler([](int code, const QString& what) {
        MsgBox(RunTimeErrorText(code, what), MsgButtons::OK, MsgIcon::Critical, QStringLiteral("ぴょこぽん"));
    });
}
