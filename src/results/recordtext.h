#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringDecoder>

#include <optional>

// The text forms the day's record files share when they are read back, also after a spreadsheet program saved
// them: times and line encodings.
namespace norvel {

// The records' own time form first, then the forms a spreadsheet program saves a time in; invalid for none.
[[nodiscard]] QDateTime recordedTime(const QString& text);

// A line's text: UTF-8 as the program writes it, or else Shift_JIS as a spreadsheet program saves it.
class LineDecoder {
public:
    [[nodiscard]] std::optional<QString> decode(QByteArrayView bytes);

private:
    QStringDecoder m_utf8 { QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom };
    QStringDecoder m_shiftJis { "windows-31j",
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom };
};

} // namespace norvel
