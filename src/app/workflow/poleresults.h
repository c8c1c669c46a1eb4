#pragma once

#include "files/backgroundfilewriter.h"
#include "files/regularfile.h"
#include "results/resultrow.h"
#include "services/services.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

namespace norvel {

class ResultList;
struct ResultChange;

// The pole's result file, kept what the list shows: with automatic saving on, every change of the pole's rows
// rewrites it on a writer of its own, off the take-in's path. A file the program did not write or read last
// (changed outside it, or there before) is replaced only under 上書確認's rule; declined, the rows wait in the list
// and the question comes again when the pole is left. A pole measured earlier today gets its rows back from its
// file; a file whose rows cannot come back is kept beside itself before anything replaces it.
class PoleResults {
public:
    // 上書確認: a file older than ageLimitSeconds is replaced only after asking.
    struct OverwriteCheck {
        bool confirm = false;
        double ageLimitSeconds = 0;
    };

    // autoSave tells whether results are written at all (DT・画像を自動保存); check gives 上書確認 as it is now.
    PoleResults(const Services& services, ResultList& list, std::function<bool()> autoSave,
        std::function<OverwriteCheck()> check);

    // The pole folder for day, made when missing; nullopt with the reason in error.
    [[nodiscard]] std::optional<QString> makePoleFolder(const QString& pole, const QDate& day, QString* error);
    [[nodiscard]] bool replacesWithoutAsking(const QString& path, const OverwriteCheck& check) const;
    // False when the user declines to replace the file.
    [[nodiscard]] bool mayReplace(const QString& path, const OverwriteCheck& check) const;

    // The list's rows on disk in the pole's file before the list moves on (a pole change, the shut-down): a
    // replacement declined before is asked again. False, the list left as it is, when declined or not written
    // (said).
    [[nodiscard]] bool settle();
    // The last settle put the list on disk, and the rows have not changed since.
    [[nodiscard]] bool settled() const { return m_settled; }
    // The rows the pole's file holds once what is on its way is on disk (for the question before clearing them); 0
    // without a file.
    [[nodiscard]] int rowsInFile(const QString& pole, const QDate& day);
    // The pole's rows of today from its result file, with the pictures found beside it, when it has any. A file
    // that is no result file is kept aside (said), once a run.
    [[nodiscard]] std::optional<QList<ResultRow>> resume(const QString& pole);
    // Waits for the file on disk; a failure is said.
    bool onDisk();

private:
    void listChanged(const ResultChange& change);
    // The rows as the file of pole and day. ask: a file not ours may be replaced after the question; otherwise
    // only where no question is due. False when not written now.
    bool writeThrough(const QString& pole, const QDate& day, const QStringList& widths, bool ask);
    [[nodiscard]] bool isOurs(const QString& path, const QStringList& widths) const;
    void setAside(const QString& path, const FileContent& file);

    Services m_services;
    ResultList& m_list;
    std::function<bool()> m_autoSave;
    std::function<OverwriteCheck()> m_check;
    BackgroundFileWriter m_writer;
    QHash<QString, QList<QByteArray>> m_ours; // per file: the contents read or written since it was last flushed
    QSet<QString> m_declined; // files whose replacement was declined: the list's rows are not in them
    QSet<QString> m_folders; // pole folders made in this run
    QString m_pending; // the file written last, until it is on disk
    QSet<QString> m_setAside; // result files kept aside as damaged in this run
    bool m_settled = false;
};

} // namespace norvel
