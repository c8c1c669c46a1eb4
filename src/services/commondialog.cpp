#include "services/commondialog.h"

#include "services/services.h"

namespace norvel {

CommonDialog::CommonDialog(FileOpenDialog* dialog, QObject* parent)
    : QObject(parent)
    , m_dialog(dialog)
{
}

bool CommonDialog::showOpen()
{
    if (!m_dialog)
        return false;
    const std::optional<QString> chosen = m_dialog->chooseFile(m_filter, m_fileName);
    if (!chosen)
        return false;
    m_fileName = *chosen;
    return true;
}

} // namespace norvel
