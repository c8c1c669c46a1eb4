#include "settings/surveyheader.h"

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

} // namespace

LedgerChoices ledgerChoices(const QByteArray& settings)
{
    LedgerChoices choices;
    for (const SurveyField& text : SurveyFields)
        choices.header.*text.text = iniValue(settings, SurveySection, QLatin1String(text.key)).value_or(QString());
    if (iniValue(settings, SurveySection, QStringLiteral("form")) == QStringLiteral("6"))
        choices.form = LedgerForm::SixPerPage;
    choices.pastFolder = iniValue(settings, SurveySection, QStringLiteral("past")).value_or(QString());
    return choices;
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
