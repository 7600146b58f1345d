#include "ui/combo_text.h"

#include <QComboBox>

namespace {
QComboBox* ComboOf(const Control& control) { return qobject_cast<QComboBox*>(control.widget()); }
}  // namespace

void SetComboText(const Control& combo, const Text& text) {
    QComboBox* box = ComboOf(combo);
    if (!box) return;
    const QString shown = text.toQString();
    if (box->isEditable()) {
        box->setEditText(shown);
        return;
    }
    const int index = box->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        box->setCurrentIndex(index);
        return;
    }
    box->setCurrentIndex(-1);
    box->setPlaceholderText(shown);
}

void SetComboEditable(const Control& combo, bool editable) {
    QComboBox* box = ComboOf(combo);
    if (!box || box->isEditable() == editable) return;
    const QString shown = box->currentText();
    box->setEditable(editable);
    if (editable) {
        // Typed names are taken as they are, never completed to an item.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        box->setEditText(shown);
    }
}
