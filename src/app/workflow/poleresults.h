#pragma once

#include "files/regularfile.h"
#include "services/services.h"

#include <QDate>
#include <QSet>
#include <QStringList>

#include <optional>

namespace norvel {

// The pole's result file and the day the list belongs to. The list's day is that of its first row, across
// midnight or a restart on a later day; a pole measured earlier today gets its rows back from its file, and that
// file, still as it was, is replaced without asking; a file whose rows cannot come back is kept beside itself
// before anything replaces it.
class PoleResults {
public:
    // 上書確認: a file older than ageLimitSeconds is replaced only after asking.
    struct OverwriteCheck {
        bool confirm = false;
        double ageLimitSeconds = 0;
    };

    explicit PoleResults(const Services& services);

    // The day of the list's first row, else today.
    [[nodiscard]] QDate listDay() const;
    // The list got its first row on day (now, or in the run a record brought back).
    void startList(const QDate& day) { m_day = day; }
    // The list is empty: its next first row starts its day anew.
    void endList();

    // The pole folder for day, made when missing; nullopt with the reason in error.
    [[nodiscard]] std::optional<QString> makePoleFolder(const QString& pole, const QDate& day, QString* error) const;
    [[nodiscard]] bool replacesWithoutAsking(const QString& path, const OverwriteCheck& check) const;
    // False when the user declines to replace the file.
    [[nodiscard]] bool mayReplace(const QString& path, const OverwriteCheck& check) const;
    // The widths as the pole's result file of the list's day; false when declined or not written (said).
    [[nodiscard]] bool write(const QString& pole, const QStringList& widths, const OverwriteCheck& check);
    // The pole's rows of today from its result file, when it has any: the list's day is today from now on. A file
    // that is no result file is kept aside (said), once a run.
    [[nodiscard]] std::optional<QStringList> resume(const QString& pole);

private:
    void setAside(const QString& path, const FileContent& file);
    [[nodiscard]] bool isResumedFileUnchanged(const QString& path) const;

    Services m_services;
    std::optional<QDate> m_day;
    struct ResumedFile {
        QString path;
        QByteArray content;
    };
    std::optional<ResumedFile> m_resumed; // the result file the list's rows came back from
    QSet<QString> m_setAside; // result files kept aside as damaged in this run
};

} // namespace norvel
