// The watch pattern's line in "set.Dt": what fieldText writes, firstField reads back.
//
// Any bytes go to firstField, which must not fail on them. When the bytes are valid UTF-8 they are also a
// value to write: firstField((fieldText(value) + "\r\n").toUtf8()) must give the value back, whatever it
// holds (commas, quotation marks, blanks, line breaks, NUL: the field rules set none of them apart, so none
// is left out, and a leading byte order mark is part of the value). Invalid UTF-8 is left out of that: no
// QString holds it, so no pattern can be such a value.
#include "fuzzcheck.h"
#include "settings/setdt.h"

#include <QStringDecoder>

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString read = firstField(bytes);

    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString value = decoder.decode(bytes);
    if (decoder.hasError())
        return 0;
    const QString written = fieldText(value);
    const QString back = firstField((written + QStringLiteral("\r\n")).toUtf8());
    require(back == value, "a written field reads back as its value",
        shown(value) + QStringLiteral(" written ") + shown(written) + QStringLiteral(" read ") + shown(back));
    // Whatever was read from a file is written and read again unchanged.
    require(firstField((fieldText(read) + QStringLiteral("\r\n")).toUtf8()) == read, "a read field survives rewriting",
        shown(read));
    return 0;
}
