#include "ledger/ledgerpdf.h"

#include "files/durablefile.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerpainter.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgerthumbnails.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace norvel {

namespace {

// The pictures of the pages, in the order they are painted.
QList<PictureJob> picturesOf(const LedgerDay& day, const QList<LedgerPage>& pages)
{
    QList<PictureJob> pictures;
    const auto add = [&](int pole, int r) {
        const LedgerRow& row = day.poles[pole].rows[r];
        pictures.append({ row.pictureFile, row.pictureError });
    };
    for (const LedgerPage& page : pages) {
        for (const LedgerItem& item : page.items) {
            if (item.kind == LedgerItemKind::Crack || item.kind == LedgerItemKind::PhotoPair)
                add(item.index, item.row);
            if (item.kind == LedgerItemKind::PhotoPair && item.second >= 0)
                add(item.index, item.second);
        }
    }
    return pictures;
}

} // namespace

bool renderLedgerPdf(const LedgerDay& day, const JudgementLines& lines, QIODevice* device,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found)
{
    LedgerOptions options;
    options.lines = lines;
    return renderLedgerPdf(day, options, device, progress, error, found);
}

bool renderLedgerPdf(const LedgerDay& day, const LedgerOptions& options, QIODevice* device,
    const std::function<bool(int done, int total)>& progress, QString* error, QList<LedgerProblem>* found)
{
    if (error)
        error->clear();
    const QList<LedgerPage> pages = planLedger(day, options.form, static_cast<int>(options.replacedLines.size()));
    const auto total = static_cast<int>(pages.size());
    if (progress && !progress(0, total))
        return false;

    ThumbnailQueue thumbnails(picturesOf(day, pages));

    QPdfWriter writer(device);
    writer.setResolution(LedgerResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(QStringLiteral("写真台帳 ") + day.day);
    writer.setCreator(QStringLiteral("Norvel"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = QStringLiteral("PDF を作れませんでした。");
        return false;
    }
    LedgerPainter ledger(painter, day, options, total, found);
    for (int p = 0; p < total; ++p) {
        if (p > 0)
            writer.newPage();
        ledger.paintPage(pages[p], p + 1, thumbnails);
        if (progress && !progress(p + 1, total))
            return false;
    }
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("PDF を書き終えられませんでした。");
        return false;
    }
    return true;
}

bool writeLedgerPdf(const LedgerDay& day, const LedgerOptions& options, const QString& pdfPath,
    const std::function<bool(int done, int total)>& progress, QString* error)
{
    QString reason;
    if (error)
        error->clear();
    DurableFile file(pdfPath);
    if (file.open(QIODevice::WriteOnly)) {
        if (!renderLedgerPdf(day, options, &file, progress, &reason, nullptr))
            file.cancelWriting();
        else if (file.commit())
            return true;
        else
            reason = file.errorString();
    } else {
        reason = file.errorString();
    }
    if (!reason.isEmpty() && error)
        *error = notWrittenMessage(QStringLiteral("写真台帳"), pdfPath, reason);
    return false;
}

} // namespace norvel
