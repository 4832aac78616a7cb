#include "Seam.h"

#include <QDialog>
#include <utility>

namespace kmr {

namespace {
ModalAnswerer &Answerer() {
    static ModalAnswerer answerer;
    return answerer;
}
} // namespace

int ExecModal(QDialog &dialog) {
    if (const ModalAnswerer &answer = Answerer()) {
        dialog.ensurePolished();
        return answer(dialog);
    }
    return dialog.exec();
}

void SetModalAnswerer(ModalAnswerer answerer) { Answerer() = std::move(answerer); }

} // namespace kmr
