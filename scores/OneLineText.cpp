#include "scores/OneLineText.h"

namespace {

// The control characters (category Cc), which Unicode has fixed for good:
// C0, DEL and C1.
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
}

} // namespace

QString oneLineText(const QString& text, int* cursor)
{
    // Written in place: the text never grows, and a pasted one may be long.
    QString result(text.size(), Qt::Uninitialized);
    QChar* const out = result.data();
    qsizetype length = 0;
    int moved = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // CR LF is one line break: one space.
            if (cursor && i < *cursor)
                --moved;
            continue;
        }
        const bool breaksLine = isControl(c) || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
        out[length++] = breaksLine ? QChar(u' ') : c;
    }
    result.truncate(length);
    if (cursor)
        *cursor = moved;
    return result;
}
