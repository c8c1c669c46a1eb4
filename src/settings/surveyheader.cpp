#include "settings/surveyheader.h"

#include "core/numbers.h"
#include "files/durablefile.h"
#include "files/inifile.h"
#include "files/regularfile.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>

namespace norvel {

namespace {

const QString SurveySection = QStringLiteral("survey");
const QString DayHeaderSection = QStringLiteral("header");

QString usableHeaderText()
{
    return QStringLiteral("%1 文字までの一行の文字").arg(MaxHeaderTextLength);
}

// The texts of the header in a section; one that cannot be used is left empty and named.
SurveyHeader headerTexts(const QByteArray& content, const QString& section, QList<UnusableSetting>* unusable)
{
    SurveyHeader header;
    for (const SurveyField& field : SurveyFields) {
        const QString value = iniValue(content, section, QLatin1String(field.key)).value_or(QString());
        if (headerTextProblem(value).isEmpty())
            header.*field.text = value;
        else if (unusable)
            unusable->append(
                { section, QLatin1String(field.key), value, usableHeaderText(), QStringLiteral("（空）") });
    }
    return header;
}

// Read whole as UTF-8: a file saved in another encoding would put wrong characters on the cover.
bool decodesAsUtf8(const QByteArray& content)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    static_cast<void>(QString(decoder.decode(content)));
    return !decoder.hasError();
}

// Why the day's file, read, cannot be used; empty when it can.
QString unreadableReason(const FileContent& read)
{
    if (!read.read())
        return read.error;
    return decodesAsUtf8(read.content) ? QString() : QStringLiteral("UTF-8 として読めない文字があります。");
}

QString oneLine(const QString& text)
{
    // Tabs and other control characters too: a text holding one is not read back.
    static const QRegularExpression breaks(QStringLiteral("[\\p{Cc}\\x{2028}\\x{2029}]+"));
    return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}

std::optional<LedgerForm> formIn(const QByteArray& settings, std::optional<QString>* text)
{
    *text = iniValue(settings, SurveySection, QStringLiteral("form"));
    const QString form = text->has_value() ? halfWidthNumberText(**text).trimmed() : QString();
    if (form == QStringLiteral("3"))
        return LedgerForm::ThreePerPage;
    if (form == QStringLiteral("6"))
        return LedgerForm::SixPerPage;
    return std::nullopt;
}

} // namespace

QString headerTextProblem(const QString& text)
{
    if (text.size() > MaxHeaderTextLength)
        return QStringLiteral("%1 文字を超えています").arg(MaxHeaderTextLength);
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            return QStringLiteral("制御文字か改行があります");
    }
    return {};
}

LedgerChoices ledgerChoices(const QByteArray& settings)
{
    LedgerChoices choices;
    choices.header = headerTexts(settings, SurveySection, nullptr);
    std::optional<QString> form;
    choices.form = formIn(settings, &form).value_or(LedgerForm::ThreePerPage);
    choices.pastFolder = iniValue(settings, SurveySection, QStringLiteral("past")).value_or(QString());
    return choices;
}

std::optional<UnusableSetting> unusableLedgerForm(const QByteArray& settings)
{
    std::optional<QString> text;
    if (formIn(settings, &text) || !text)
        return std::nullopt;
    return UnusableSetting { SurveySection, QStringLiteral("form"), *text, QStringLiteral("3 か 6"),
        QStringLiteral("3（1 ページに 3 枚）") };
}

QList<UnusableSetting> unusableSurveyTexts(const QByteArray& settings)
{
    QList<UnusableSetting> unusable;
    static_cast<void>(headerTexts(settings, SurveySection, &unusable));
    return unusable;
}

QList<ProgramSetting> ledgerChoiceSettings(const LedgerChoices& choices)
{
    QList<ProgramSetting> settings;
    for (const SurveyField& text : SurveyFields)
        settings.append({ SurveySection, QLatin1String(text.key), oneLine(choices.header.*text.text) });
    settings.append({ SurveySection, QStringLiteral("form"), QString::number(static_cast<int>(choices.form)) });
    settings.append({ SurveySection, QStringLiteral("past"), oneLine(choices.pastFolder) });
    return settings;
}

QString dayHeaderPath(const QString& dayFolder)
{
    return dayFolder + QLatin1Char('/') + DayHeaderFileName;
}

SurveyHeader dayHeaderIn(const QByteArray& content, QList<UnusableSetting>* unusable)
{
    return headerTexts(content, DayHeaderSection, unusable);
}

QByteArray withDayHeader(const QByteArray& content, const SurveyHeader& header)
{
    QByteArray written = content;
    for (const SurveyField& field : SurveyFields)
        written = withIniValue(written, DayHeaderSection, QLatin1String(field.key), oneLine(header.*field.text));
    return written;
}

DayHeader readDayHeader(const QString& dayFolder, const QByteArray& settings)
{
    DayHeader day;
    const QString path = dayHeaderPath(dayFolder);
    const FileContent read = readRegularFile(path, DayHeaderFileLimitBytes);
    if (!read.missing()) {
        const QString reason = unreadableReason(read);
        if (reason.isEmpty()) {
            QList<UnusableSetting> unusable;
            day.header = dayHeaderIn(read.content, &unusable);
            day.ownFile = true;
            for (const UnusableSetting& text : unusable)
                day.unusable.append({ text.key,
                    QStringLiteral("調査ヘッダ「%1」の %2=%3 は使えない値です（使えるのは %4）。")
                        .arg(QDir::toNativeSeparators(path), text.key, shownSettingText(text.text), text.usable) });
            return day;
        }
        day.problem = QStringLiteral("調査ヘッダ「%1」を読めないため、%2 の表題を使います。\n%3")
                          .arg(QDir::toNativeSeparators(path), programSettingsName(), reason);
    }
    day.header = ledgerChoices(settings).header;
    return day;
}

QString writeDayHeader(const QString& dayFolder, const SurveyHeader& header)
{
    const QString path = dayHeaderPath(dayFolder);
    const FileContent old = readRegularFile(path, DayHeaderFileLimitBytes);
    if (!old.missing()) {
        if (const QString reason = unreadableReason(old); !reason.isEmpty())
            return QStringLiteral("調査ヘッダ「%1」を読めないため、この日の表題を残せませんでした。\n%2")
                .arg(QDir::toNativeSeparators(path), reason);
    }
    const QByteArray content = withDayHeader(old.content, header);
    QString error;
    if (old.read() && content == old.content)
        return {};
    if (!writeFileNamed(path, content, QStringLiteral("調査ヘッダ"), &error))
        return error;
    return {};
}

} // namespace norvel
