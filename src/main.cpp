#include "app/form1.h"
#include "platform/qtservices.h"
#include "platform/uifont.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvel"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    norvel::installUiFont();

    norvel::QtServices services(QCoreApplication::applicationDirPath());
    norvel::Form1 window(services.services());
    services.setParentWidget(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
