#include "widgets/halfwidthinput.h"

#include "core/numbers.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace norvel {

namespace {

// A line edit applies what its validator makes of the text before it tells of the change, so a paste or a
// setText changes the box once, already converted. Keys and input-method commits are converted before the box
// sees them, which keeps its undo history and leaves the input method's composition alone.
class HalfWidthInput final : public QValidator {
public:
    using Converter = QString (*)(QStringView);
    HalfWidthInput(QLineEdit* box, Converter convert)
        : QValidator(box)
        , m_convert(convert)
    {
        box->installEventFilter(this);
    }

    State validate(QString& input, int&) const override
    {
        input = m_convert(input);
        return Acceptable;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString half = m_convert(key->text());
            if (half == key->text())
                return false;
            QKeyEvent converted(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                key->nativeVirtualKey(), key->nativeModifiers(), half, key->isAutoRepeat(), key->count(),
                key->device());
            QCoreApplication::sendEvent(watched, &converted);
            key->setAccepted(converted.isAccepted());
            return true;
        }
        if (event->type() == QEvent::InputMethod) {
            auto* input = static_cast<QInputMethodEvent*>(event);
            const QString half = m_convert(input->commitString());
            if (half == input->commitString())
                return false;
            QInputMethodEvent converted(input->preeditString(), input->attributes());
            converted.setCommitString(half, input->replacementStart(), input->replacementLength());
            QCoreApplication::sendEvent(watched, &converted);
            input->setAccepted(converted.isAccepted());
            return true;
        }
        return false;
    }

private:
    Converter m_convert;
};

} // namespace

void installHalfWidthInput(QLineEdit* box)
{
    box->setValidator(new HalfWidthInput(box, &halfWidthNumberText));
}

void installHalfWidthIdentifierInput(QLineEdit* box)
{
    box->setValidator(new HalfWidthInput(box, &halfWidthIdentifierText));
}

} // namespace norvel
