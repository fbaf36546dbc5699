#include "platform/RunTimeErrorBox.h"

#include "platform/CheckedMath.h"
#include "platform/MsgBox.h"

#include <QString>

void showRunTimeErrorsInABox()
{
    setRunTimeErrorHandler([](int code, const QString& what) {
        messageBox(runTimeErrorText(code, what), MsgButtons::OK, MsgIcon::Critical, QStringLiteral("ぴょこぽん"));
    });
}
