// The one way every modal window of the program is shown: messages,
// questions, about boxes, the tip of the day and file dialogs all pass
// through ExecModal. The program shows them with exec(); a test installs an
// answerer that inspects the window, may press its buttons, and returns the
// result without waiting for anyone.
#pragma once

#include <functional>

class QDialog;

namespace kmr {

// Shows `dialog` modally and answers its result code.
int ExecModal(QDialog &dialog);

// Replaces how modal windows are shown; an empty function restores exec().
// The answerer gets the window already laid out (not shown) and answers the
// result the window would have closed with.
using ModalAnswerer = std::function<int(QDialog &dialog)>;
void SetModalAnswerer(ModalAnswerer answerer);

} // namespace kmr
