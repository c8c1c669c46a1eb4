#pragma once

#include "ledger/ledgerday.h"
#include "ledger/ledgerpdf.h"
#include "settings/programsettings.h"
#include "settings/surveyheader.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QDialogButtonBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QRadioButton;

namespace norvel {

struct MeasurementEntry;

// "写真台帳作成": the day folder to make the ledger of, the survey's header, the form, the judgement line of each
// direction and an optional folder of past surveys. Folders are chosen through the choosers (nullopt: the user
// cancelled), so that a test never opens a file dialog. OK waits for a day folder, and for a past folder that is
// there when one is named.
class LedgerDialog : public QDialog {
    Q_OBJECT

public:
    using FolderChooser = std::function<std::optional<QString>()>;
    LedgerDialog(FolderChooser chooseDayFolder, FolderChooser choosePastFolder, QWidget* parent = nullptr);

    void setDayFolder(const QString& folder);
    [[nodiscard]] QString dayFolder() const;
    void setLines(const JudgementLines& lines);
    [[nodiscard]] JudgementLines lines() const;
    void setChoices(const LedgerChoices& choices);
    [[nodiscard]] LedgerChoices choices() const;
    // Where the header of a day folder typed or chosen comes from: until a header field is typed in, the header
    // follows the day folder, so that another day's ledger is not headed (and its header kept) as this one.
    using DayHeaders = std::function<SurveyHeader(const QString& dayFolder)>;
    void setDayHeaders(DayHeaders dayHeaders);

private:
    [[nodiscard]] QLayout* folderRows();
    [[nodiscard]] QGroupBox* headerBox();
    [[nodiscard]] QGroupBox* linesBox();
    [[nodiscard]] QString pastFolder() const;
    void updateOk();
    void followDayFolder();

    FolderChooser m_chooseDayFolder;
    FolderChooser m_choosePastFolder;
    QLineEdit* m_dayFolder;
    QLineEdit* m_pastFolder;
    QLabel* m_pastMissing;
    QRadioButton* m_formThree;
    QRadioButton* m_formSix;
    std::array<QLineEdit*, std::size(SurveyFields)> m_header {}; // in the order of SurveyFields
    std::array<QDoubleSpinBox*, 3> m_lines {}; // in the order of LineFields
    QDialogButtonBox* m_buttons;
    DayHeaders m_dayHeaders;
    bool m_headerTyped = false;
};

class DurableFile;
class PreviousInspections;

// Writes the ledger into pdf, the summary into csv and, when given, the cracks' list into cracks (none open yet), all
// to their temporary files; only when all are complete and synced are they renamed into place, the PDF first. A
// cancel (progress returning false) or a failure leaves no new file: false, with error empty when cancelled and
// otherwise naming the file. found: as for renderLedgerPdf. Rows are judged by their direction's line; previous,
// when given, gives the summary each pole's previous inspection and the list each crack's.
[[nodiscard]] bool writeLedgerFiles(const LedgerDay& day, const LedgerOptions& options, DurableFile& pdf,
    DurableFile& csv, const std::function<bool(int done, int total)>& progress, QString* error,
    QList<LedgerProblem>* found, DurableFile* cracks = nullptr);

// The files a ledger written to pdfPath makes for day (the day folder's name): the PDF, the summary and the cracks'
// list beside it.
[[nodiscard]] QStringList ledgerFilePaths(const QString& pdfPath, const QString& day);

// What a ledger is made of and where it goes: pdfPath empty puts 写真台帳_<day>.pdf (six a page:
// 写真台帳6_<day>.pdf) into the day folder.
struct LedgerJob {
    QString dayFolder;
    QString pdfPath;
    LedgerOptions options;
};

// The ledger of job's day, its summary 集計_<day>.csv and its cracks ひび割れ_<day>.csv beside it (ledgerFilePaths), as
// makeLedger below but with the progress
// told to progress (false cancels; it is asked once after the day is read, then per page), so that the window
// and the command line make the same files.
[[nodiscard]] bool makeLedgerFiles(const LedgerJob& job, const std::function<bool(int done, int total)>& progress,
    QString* pdfPath, QString* error, QString* notes);

// Writes 写真台帳_<day>.pdf (or 写真台帳6_<day>.pdf), 集計_<day>.csv and ひび割れ_<day>.csv into the day folder (day:
// the folder's name), reading its result files, pictures and measurement record, with a progress dialog whose 中止
// cancels: then nothing new is written, false is returned and error left empty. A day folder that is not there is
// refused before anything else. On a failure false with error naming the file. pdfPath receives the ledger's path;
// notes, on success, what the user must be told besides: the files and lines that could not be read and
// the widths out of range, or empty.
[[nodiscard]] bool makeLedger(QWidget* parent, const QString& dayFolder, const LedgerOptions& options, QString* pdfPath,
    QString* error, QString* notes);

// What makeLedger tells besides its success: the rows measured but not saved ("未保存の測定があります" and
// unsavedText), the day's problems, the pictures found unreadable while drawn, the widths out of range; at most
// listed of the problems named.
[[nodiscard]] QString ledgerNotes(const LedgerDay& day, const QList<LedgerProblem>& found, int listed = 15);

// Removes the temporary files that a ledger killed while it was written left in the day folder
// ("写真台帳_<day>.pdf.XXXXXX", "写真台帳6_<day>.pdf.XXXXXX", "集計_<day>.csv.XXXXXX", "ひび割れ_<day>.csv.XXXXXX");
// and in every day folder (named by eight digits) of the program folder with removeStaleLedgerFilesOfDays.
void removeStaleLedgerFiles(const QString& dayFolder);
void removeStaleLedgerFilesOfDays(const QString& programFolder);

} // namespace norvel
