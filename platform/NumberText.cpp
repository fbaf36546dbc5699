#include "platform/NumberText.h"

namespace {

QString withSignPlace(QString digits)
{
    return digits.startsWith(u'-') ? digits : u' ' + digits;
}

} // namespace

QString signedNumberText(qint32 value)
{
    return withSignPlace(QString::number(value));
}

QString signedNumberText(float value)
{
    if (value == 0.0f)
        value = 0.0f; // a negative zero reads as " 0", not "-0"
    return withSignPlace(QString::number(double(value), 'g', 7));
}

QString plainNumberText(qint32 value)
{
    return QString::number(value);
}
