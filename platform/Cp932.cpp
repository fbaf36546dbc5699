#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char* const CodePageName = "windows-31j";

// The code page maps these bytes to other code points than the JIS
// standard does; a name typed as the JIS form keeps its look this way.
char32_t cp932Twin(char32_t c)
{
    switch (c) {
    case U'\u301C': return U'\uFF5E';   // WAVE DASH -> FULLWIDTH TILDE, 81 60
    case U'\u2016': return U'\u2225';   // DOUBLE VERTICAL LINE -> PARALLEL TO, 81 61
    case U'\u2212': return U'\uFF0D';   // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS, 81 7C
    case U'\u00A2': return U'\uFFE0';   // CENT SIGN -> FULLWIDTH, 81 91
    case U'\u00A3': return U'\uFFE1';   // POUND SIGN -> FULLWIDTH, 81 92
    case U'\u00AC': return U'\uFFE2';   // NOT SIGN -> FULLWIDTH, 81 CA
    case U'\u2014': return U'\u2015';   // EM DASH -> HORIZONTAL BAR, 81 5C
    default: return c;
    }
}

} // namespace

QByteArray encodeCp932(const QString& text)
{
    QString mapped;
    mapped.reserve(text.size());
    for (const QChar c : text)
        mapped += QChar(char16_t(cp932Twin(c.unicode())));   // all twins lie in the BMP

    QStringEncoder whole(CodePageName, QStringConverter::Flag::Stateless);
    QByteArray bytes = whole.encode(mapped);
    if (!whole.hasError())
        return bytes;

    // The converter substitutes a character of its own choosing (FC FC) and
    // does not say where; encode one code point at a time to put "?" there.
    bytes.clear();
    for (qsizetype i = 0; i < mapped.size(); ++i) {
        qsizetype length = 1;
        if (mapped.at(i).isHighSurrogate() && i + 1 < mapped.size() && mapped.at(i + 1).isLowSurrogate())
            length = 2;
        QStringEncoder single(CodePageName, QStringConverter::Flag::Stateless);
        const QByteArray encoded = single.encode(QStringView(mapped).mid(i, length));
        bytes += single.hasError() || encoded.isEmpty() ? QByteArray("?") : encoded;
        i += length - 1;
    }
    return bytes;
}

std::optional<QString> decodeCp932(const QByteArray& bytes)
{
    QStringDecoder decoder(CodePageName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
