#pragma once

#include <QObject>
#include <QString>

namespace norvel {

class FileOpenDialog;

// The window's open-file dialog: it lives as long as the window, so the file chosen last is offered again
// next time. The dialog itself is shown through the injected FileOpenDialog.
class CommonDialog : public QObject {
    Q_OBJECT

public:
    CommonDialog(FileOpenDialog* dialog, QObject* parent);

    [[nodiscard]] QString filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; } // the filter entry, as "Pictures (*.JPG)"
    [[nodiscard]] QString fileName() const { return m_fileName; }

    // Shows the dialog; false when the user cancels, and the remembered file name stays.
    [[nodiscard]] bool showOpen();

private:
    FileOpenDialog* m_dialog;
    QString m_filter;
    QString m_fileName;
};

} // namespace norvel
