#pragma once

class QLineEdit;

namespace norvel {

// Makes a box that holds a number take what a Japanese input method gives in full width as the half-width
// characters halfWidthNumberText makes of it: typed, committed by the input method, pasted or set from code.
// The box changes once for each such input, with the converted text and the caret where it would have been;
// half-width input is left as it is. The converter belongs to the box.
void installHalfWidthInput(QLineEdit* box);
// The same for a box that holds a name read off a pole, with what halfWidthIdentifierText makes of the input.
void installHalfWidthIdentifierInput(QLineEdit* box);

} // namespace norvel
