#include "app/modalscope.h"

namespace norvel {

struct ModalServices::Adapters : QuestionBox,
                                 FileOpenDialog,
                                 FolderDialog,
                                 ErrorReporter,
                                 LedgerDialogBox,
                                 ScaleLengthBox,
                                 PoleFactsBox,
                                 CrackFactsBox,
                                 MadeFileNotice {
    Adapters(const Services& services, ModalCounter& counter)
        : inner(services)
        , open(counter)
    {
    }

    bool askOkCancel(const QString& text) override
    {
        const ModalScope scope(open);
        return inner.question->askOkCancel(text);
    }
    std::optional<QString> chooseFile(const QString& filterText, const QString& lastFile) override
    {
        const ModalScope scope(open);
        return inner.fileOpen->chooseFile(filterText, lastFile);
    }
    std::optional<QString> chooseFolder(const QString& title, const QString& root) override
    {
        const ModalScope scope(open);
        return inner.folder->chooseFolder(title, root);
    }
    void showError(const QString& text) override
    {
        const ModalScope scope(open);
        inner.errors->showError(text);
    }
    void showNotice(const QString& text) override
    {
        const ModalScope scope(open);
        inner.errors->showNotice(text);
    }
    std::optional<LedgerRequest> askLedger(const QString& dayFolder, const JudgementLines& lines,
        const LedgerChoices& choices, const std::function<SurveyHeader(const QString& dayFolder)>& dayHeader) override
    {
        const ModalScope scope(open);
        return inner.ledger->askLedger(dayFolder, lines, choices, dayHeader);
    }
    std::optional<double> askLengthMm(double linePx, QSize pictureSize) override
    {
        const ModalScope scope(open);
        return inner.scaleLength->askLengthMm(linePx, pictureSize);
    }
    std::optional<PoleFacts> askPoleFacts(const QString& pole, const PoleFacts& current, const QStringList& knownPlates,
        const std::function<QString(const QString& plate)>& previousOf,
        const std::function<std::optional<PoleFacts>(const QString& plate)>& knownFactsOf) override
    {
        const ModalScope scope(open);
        return inner.poleFacts->askPoleFacts(pole, current, knownPlates, previousOf, knownFactsOf);
    }
    std::optional<CrackFacts> askCrackFacts(const QString& pole, int row, const CrackFacts& current) override
    {
        const ModalScope scope(open);
        return inner.crackFacts->askCrackFacts(pole, row, current);
    }

    bool noticeWithOpen(const QString& text, const QString& path) override
    {
        const ModalScope scope(open);
        return inner.madeFile->noticeWithOpen(text, path);
    }

    Services inner;
    ModalCounter& open;
};

ModalServices::ModalServices(const Services& inner, ModalCounter& counter)
    : m_adapters(std::make_unique<Adapters>(inner, counter))
    , m_services(inner)
{
    // A service that was not handed in stays absent, so that callers still see it is missing.
    Adapters* adapters = m_adapters.get();
    if (inner.question)
        m_services.question = adapters;
    if (inner.fileOpen)
        m_services.fileOpen = adapters;
    if (inner.folder)
        m_services.folder = adapters;
    if (inner.errors)
        m_services.errors = adapters;
    if (inner.ledger)
        m_services.ledger = adapters;
    if (inner.scaleLength)
        m_services.scaleLength = adapters;
    if (inner.poleFacts)
        m_services.poleFacts = adapters;
    if (inner.crackFacts)
        m_services.crackFacts = adapters;
    if (inner.madeFile)
        m_services.madeFile = adapters;
}

ModalServices::~ModalServices() = default;

} // namespace norvel
