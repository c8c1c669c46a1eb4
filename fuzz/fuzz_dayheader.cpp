// A day's header file "調査ヘッダ.ini", as a person may have edited it.
//
// For any bytes: every text read is one the header can use (short, one line, no control characters); the header
// written back into the same bytes reads back unchanged, and writing it once more changes nothing.
#include "fuzzcheck.h"
#include "settings/surveyheader.h"

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const SurveyHeader header = dayHeaderIn(bytes);
    for (const SurveyField& field : SurveyFields)
        require(headerTextProblem(header.*field.text).isEmpty(), "a text read is usable", header.*field.text);
    const QByteArray written = withDayHeader(bytes, header);
    require(dayHeaderIn(written) == header, "the header written reads back", QString::fromUtf8(written));
    require(withDayHeader(written, header) == written, "writing it again changes nothing", QString::fromUtf8(written));
    return 0;
}
