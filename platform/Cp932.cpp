#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <optional>
#include <vector>

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

// Opening a converter costs far more than converting a field, so each
// thread keeps one of each. A converter is dropped after an error, which it
// would go on reporting; a stateless one holds nothing else between calls.
QStringEncoder& encoder()
{
    thread_local std::optional<QStringEncoder> kept;
    if (!kept || kept->hasError())
        kept.emplace(CodePageName, QStringConverter::Flag::Stateless);
    return *kept;
}

QStringDecoder& decoder()
{
    thread_local std::optional<QStringDecoder> kept;
    if (!kept || kept->hasError())
        kept.emplace(CodePageName, QStringConverter::Flag::Stateless);
    return *kept;
}

} // namespace

QByteArray encodeCp932(const QString& text)
{
    // The converter substitutes a character of its own choosing (FC FC) for
    // one the code page lacks, and does not say where; so each character is
    // judged alone, once in a thread's life, and kept. The code page holds
    // no character outside the BMP and no lone surrogate, and maps each
    // character of the BMP on its own (it has no shift state), so the bytes
    // are those of the whole text.
    thread_local std::vector<std::array<char, 3>> known(0x10000);   // length (0: not yet), bytes
    QByteArray bytes(2 * text.size(), Qt::Uninitialized);   // at most two bytes a unit
    char* const out = bytes.data();
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSurrogate()) {
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            out[length++] = '?';
            continue;
        }
        const QChar mapped(char16_t(cp932Twin(c.unicode())));   // all twins lie in the BMP
        std::array<char, 3>& encoded = known[mapped.unicode()];
        if (encoded[0] == 0) {
            QStringEncoder& one = encoder();
            const QByteArray single = one.encode(QStringView(&mapped, 1));
            const bool holds = !one.hasError() && !single.isEmpty() && single.size() <= 2;
            encoded = holds ? std::array<char, 3>{char(single.size()), single[0], single.back()}
                            : std::array<char, 3>{1, '?', '?'};
        }
        for (int k = 1; k <= encoded[0]; ++k)
            out[length++] = encoded[k];
    }
    bytes.truncate(length);
    return bytes;
}

std::optional<QString> decodeCp932(const QByteArray& bytes)
{
    QStringDecoder& kept = decoder();
    if (!kept.isValid())
        return std::nullopt;
    QString text = kept.decode(bytes);
    if (kept.hasError())
        return std::nullopt;
    return text;
}
