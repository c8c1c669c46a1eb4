#include "results/recordtext.h"

#include "results/recordcolumns.h"

#include <array>

namespace norvel {

QDateTime recordedTime(const QString& text)
{
    static const std::array<QString, 6> forms { RecordTimeFormat.toString(), QStringLiteral("yyyy/M/d H:mm:ss.zzz"),
        QStringLiteral("yyyy/M/d H:mm:ss"), QStringLiteral("yyyy/M/d H:mm"), QStringLiteral("yyyy-M-d H:mm:ss"),
        QStringLiteral("yyyy-M-d H:mm") };
    for (const QString& form : forms) {
        const QDateTime time = QDateTime::fromString(text, form);
        if (time.isValid())
            return time;
    }
    return {};
}

std::optional<QString> LineDecoder::decode(QByteArrayView bytes)
{
    QString text = m_utf8.decode(bytes);
    if (!m_utf8.hasError())
        return text;
    m_utf8.resetState();
    if (!m_shiftJis.isValid())
        return std::nullopt;
    text = m_shiftJis.decode(bytes);
    if (m_shiftJis.hasError()) {
        m_shiftJis.resetState();
        return std::nullopt;
    }
    return text;
}

} // namespace norvel
