#pragma once

#include "settings/programsettings.h"
#include "settings/surveyheader.h"

#include <QList>
#include <QString>

#include <functional>

class QIODevice;

// The photo ledger as a PDF, A4 portrait: a cover with the day's figures and a bar chart of each pole's
// widest crack against the judgement lines, then the poles in turn, three photos a page each beside its facts or
// each pole's table of rows and its photos six to a page, each captioned, with the measuring marks drawn over them.
// The day and "n / total" on every page.
namespace norvel {

struct LedgerDay;
struct LedgerProblem;
class PreviousInspections;

// How a ledger is made besides its day: the lines rows are judged by, the header, the form, where the poles'
// previous inspections are looked up (none when null), and the lines typed in norvel.ini that could not be used,
// whose defaults judge in their place (named on the cover).
struct LedgerOptions {
    JudgementLines lines;
    SurveyHeader header;
    LedgerForm form = LedgerForm::SixPerPage;
    const PreviousInspections* previous = nullptr;
    QList<UnusableSetting> replacedLines {};
};

// Renders the ledger into device, page by page as it goes (a DurableFile: the PDF is never whole in memory).
// progress is called with done = 0 before the first page and after each page; returning false cancels:
// false is returned and error left empty. found, when given, receives the pictures that turned out
// unreadable or cut short only while they were drawn (those found on loading the day are in its problems).
// A picture cut short is drawn as far as it goes, with the note "画像が途中で切れています" over it.
[[nodiscard]] bool renderLedgerPdf(const LedgerDay& day, const LedgerOptions& options, QIODevice* device,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found);
// The six-a-page form without a header.
[[nodiscard]] bool renderLedgerPdf(const LedgerDay& day, const JudgementLines& lines, QIODevice* device,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found);

// Renders the ledger and writes it to pdfPath whole, or leaves whatever was there untouched. progress is
// called with done = 0 before the first page, after each page, and with done = total before the file is
// written; returning false cancels: false is returned and error left empty. On a failure error says why,
// naming the file.
[[nodiscard]] bool writeLedgerPdf(const LedgerDay& day, const LedgerOptions& options, const QString& pdfPath,
    const std::function<bool(int done, int total)>& progress, QString* error);

} // namespace norvel
