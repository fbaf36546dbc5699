#include "scores/OneLineText.h"

QString oneLineText(const QString& text, int* cursor)
{
    QString result;
    result.reserve(text.size());
    int moved = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // CR LF is one line break: one space.
            if (cursor && i < *cursor)
                --moved;
            continue;
        }
        const bool breaksLine = c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator;
        result += breaksLine ? QChar(u' ') : c;
    }
    if (cursor)
        *cursor = moved;
    return result;
}
