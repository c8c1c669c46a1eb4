#include "settings/surveyheader.h"

#include "core/numbers.h"
#include "files/inifile.h"

#include <QRegularExpression>

namespace norvel {

namespace {

const QString SurveySection = QStringLiteral("survey");

QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]+"));
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

LedgerChoices ledgerChoices(const QByteArray& settings)
{
    LedgerChoices choices;
    for (const SurveyField& text : SurveyFields)
        choices.header.*text.text = iniValue(settings, SurveySection, QLatin1String(text.key)).value_or(QString());
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

QList<ProgramSetting> ledgerChoiceSettings(const LedgerChoices& choices)
{
    QList<ProgramSetting> settings;
    for (const SurveyField& text : SurveyFields)
        settings.append({ SurveySection, QLatin1String(text.key), oneLine(choices.header.*text.text) });
    settings.append({ SurveySection, QStringLiteral("form"), QString::number(static_cast<int>(choices.form)) });
    settings.append({ SurveySection, QStringLiteral("past"), oneLine(choices.pastFolder) });
    return settings;
}

} // namespace norvel
