#pragma once

#include "results/recoveryrecord.h"

#include <QStringList>

// A recovery file as the window leaves it: the list of a pole on a day, rows numbered from 1.
inline QByteArray recoveryOfList(const QString& pole, QDate day, const QStringList& widths)
{
    norvel::RecoveryRecord record;
    record.pole = pole;
    record.day = day;
    for (const QString& width : widths)
        record.rows.append({ .number = QString::number(record.rows.size() + 1), .width = width });
    return norvel::serializeRecovery(record);
}
