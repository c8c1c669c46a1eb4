#pragma once

#include "services/services.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// Scripted stand-ins for everything a test cannot drive: answers are queued in advance and every question
// asked is recorded. A question with no answer queued counts as OK.
class FakeServices : public norvel::QuestionBox,
                     public norvel::FileOpenDialog,
                     public norvel::FolderDialog,
                     public norvel::ErrorReporter,
                     public norvel::Clock,
                     public norvel::Clipboard,
                     public norvel::LedgerDialogBox,
                     public norvel::ScaleLengthBox,
                     public norvel::PoleFactsBox,
                     public norvel::CrackFactsBox,
                     public norvel::MadeFileNotice {
public:
    [[nodiscard]] norvel::Services services()
    {
        return { this, this, this, this, this, this, programFolder.path(), this, this, this, this, this };
    }

    bool askOkCancel(const QString& text) override
    {
        questions << text;
        if (whileAsking)
            whileAsking();
        if (okAnswers.empty())
            return true;
        const bool answer = okAnswers.front();
        okAnswers.pop_front();
        return answer;
    }

    std::optional<QString> chooseFile(const QString& filterText, const QString& lastFile) override
    {
        fileFilters << filterText;
        lastFilesOffered << lastFile;
        if (whileChoosing)
            whileChoosing();
        return next(files);
    }

    std::optional<QString> chooseFolder(const QString& title, const QString& root) override
    {
        folderTitles << title;
        folderRoots << root;
        if (whileChoosing)
            whileChoosing();
        return next(folders);
    }

    void showError(const QString& text) override
    {
        errors << text;
        if (whileShowing)
            whileShowing();
    }
    void showNotice(const QString& text) override
    {
        notices << text;
        if (whileShowing)
            whileShowing();
    }
    std::optional<norvel::LedgerRequest> askLedger(const QString& dayFolder, const norvel::JudgementLines& lines,
        const norvel::LedgerChoices& choices,
        const std::function<norvel::SurveyHeader(const QString& dayFolder)>& /*dayHeader*/) override
    {
        ledgerOffers.push_back({ dayFolder, lines, choices });
        if (whileChoosing)
            whileChoosing();
        if (ledgerAnswers.empty())
            return std::nullopt;
        auto answer = ledgerAnswers.front();
        ledgerAnswers.pop_front();
        return answer;
    }
    std::optional<double> askLengthMm(double linePx, QSize pictureSize) override
    {
        lengthOffers.push_back({ linePx, pictureSize });
        if (whileChoosing)
            whileChoosing();
        if (lengthAnswers.empty())
            return std::nullopt;
        const auto answer = lengthAnswers.front();
        lengthAnswers.pop_front();
        return answer;
    }
    std::optional<norvel::PoleFacts> askPoleFacts(const QString& pole, const norvel::PoleFacts& current,
        const QStringList& knownPlates, const std::function<QString(const QString& plate)>& previousOf,
        const std::function<std::optional<norvel::PoleFacts>(const QString& plate)>& knownFactsOf) override
    {
        poleFactsOffers.push_back({ pole, current, knownPlates, previousOf, knownFactsOf });
        if (whileChoosing)
            whileChoosing();
        return nextOf(poleFactsAnswers);
    }
    std::optional<norvel::CrackFacts> askCrackFacts(
        const QString& pole, int row, const norvel::CrackFacts& current) override
    {
        crackFactsOffers.push_back({ pole, row, current });
        if (whileChoosing)
            whileChoosing();
        return nextOf(crackFactsAnswers);
    }
    // The notice is recorded with the others; opening is only recorded, never done.
    bool noticeWithOpen(const QString& text, const QString& path) override
    {
        notices << text;
        if (whileShowing)
            whileShowing();
        const bool open = !openAnswers.empty() && openAnswers.front();
        if (!openAnswers.empty())
            openAnswers.pop_front();
        if (open)
            opened << path;
        return !open || viewerStarts;
    }
    QDateTime now() const override { return clockNow; }
    void clear() override { clipboardText.reset(); }
    void setText(const QString& text) override { clipboardText = text; }

    QTemporaryDir programFolder;
    std::deque<bool> okAnswers;
    std::function<void()> whileAsking; // runs while a question waits, as timer ticks can
    std::function<void()> whileShowing; // the same while a message waits
    std::function<void()> whileChoosing; // the same while a file, folder, ledger or length dialog is open

    std::deque<std::optional<QString>> files; // nullopt: the user cancels
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<norvel::LedgerRequest>> ledgerAnswers; // none left: the user cancels
    std::deque<std::optional<double>> lengthAnswers; // none left: the user cancels
    std::deque<std::optional<norvel::PoleFacts>> poleFactsAnswers; // none left: the user cancels
    std::deque<std::optional<norvel::CrackFacts>> crackFactsAnswers; // none left: the user cancels
    std::deque<bool> openAnswers; // none left: 閉じる
    bool viewerStarts = true;
    QDateTime clockNow { QDate(2022, 10, 19), QTime(14, 30, 5) };

    QStringList questions;
    QStringList fileFilters;
    QStringList lastFilesOffered;
    QStringList folderTitles;
    QStringList folderRoots;
    QStringList errors;
    QStringList notices;
    QStringList opened; // files handed to the system's viewer
    std::vector<norvel::LedgerRequest> ledgerOffers; // what the dialog was opened with
    std::vector<std::pair<double, QSize>> lengthOffers;
    struct PoleFactsOffer {
        QString pole;
        norvel::PoleFacts current;
        QStringList knownPlates;
        std::function<QString(const QString& plate)> previousOf;
        std::function<std::optional<norvel::PoleFacts>(const QString& plate)> knownFactsOf;
    };
    std::vector<PoleFactsOffer> poleFactsOffers;
    struct CrackFactsOffer {
        QString pole;
        int row = 0;
        norvel::CrackFacts current;
    };
    std::vector<CrackFactsOffer> crackFactsOffers;
    std::optional<QString> clipboardText;

private:
    template <typename T> static std::optional<T> nextOf(std::deque<std::optional<T>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
    static std::optional<QString> next(std::deque<std::optional<QString>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};
