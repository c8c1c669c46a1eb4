#include "app/form1.h"

#include "core/numbers.h"
#include "settings/settingsrecord.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

// The switches and numbers kept in "set.bat" from one run to the next.
namespace norvel {

QString Form1::settingsPath(const QString& name) const
{
    return m_services.programFolder + QLatin1Char('/') + name;
}

void Form1::SetSave()
{
    SettingsRecord record;
    for (int i = 0; i < 6; ++i)
        record.checks[i] = checkBox(i + 1)->isChecked();
    record.smallScreen = m_choices.smallScreen;
    record.smallPicture = m_choices.pictureSize == 1;
    record.overwriteSeconds = overwriteSecondsFromText(Text5->text());
    record.widthLimit = widthLimitFromText(Text6->text());
    QString error;
    if (!writeSettingsFile(settingsPath(QStringLiteral("set.bat")), record, &error))
        report(error);
}

void Form1::SetLode()
{
    QString error;
    const std::optional<SettingsRecord> record = readSettingsFile(settingsPath(QStringLiteral("set.bat")), &error);
    if (!error.isEmpty())
        report(error);
    if (!record)
        return;
    // In order, each box running its own click handling when its value changes.
    for (int i = 0; i < 6; ++i)
        checkBox(i + 1)->setChecked(record->checks[i]);
    Text5->setText(QString::number(record->overwriteSeconds));
    Text6->setText(singleText(record->widthLimit));
    m_choices.smallScreen = record->smallScreen;
    m_choices.pictureSize = record->smallPicture ? 1 : 0;
    updateActions();
}

} // namespace norvel
