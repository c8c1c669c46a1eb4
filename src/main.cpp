#include "app/form1.h"
#include "services/crackfactsbox.h"
#include "services/ledgerdialogbox.h"
#include "services/polefactsbox.h"
#include "services/qtservices.h"
#include "services/quitsignals.h"
#include "services/scalelengthbox.h"
#include "widgets/uifont.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Installed first, so a request to end during start-up waits in the pipe for the event loop.
    norvel::QuitSignals quitSignals;
    QApplication::setApplicationName(QStringLiteral("Norvel"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    norvel::installUiFont();
    // The window speaks Japanese whatever the desktop's language, so Qt's own dialogs should too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    norvel::QtServices services(QCoreApplication::applicationDirPath());
    norvel::QtLedgerDialogBox ledgerBox;
    norvel::QtScaleLengthBox lengthBox;
    norvel::QtPoleFactsBox poleFactsBox;
    norvel::QtCrackFactsBox crackFactsBox;
    norvel::Services given = services.services();
    given.ledger = &ledgerBox;
    given.scaleLength = &lengthBox;
    given.poleFacts = &poleFactsBox;
    given.crackFacts = &crackFactsBox;
    norvel::Form1 window(given);
    services.setParentWidget(&window);
    ledgerBox.setParentWidget(&window);
    lengthBox.setParentWidget(&window);
    poleFactsBox.setParentWidget(&window);
    crackFactsBox.setParentWidget(&window);
    QObject::connect(&quitSignals, &norvel::QuitSignals::received, &window, &norvel::Form1::endOnRequest);
    window.startUp();
    window.show();
    return QApplication::exec();
}
