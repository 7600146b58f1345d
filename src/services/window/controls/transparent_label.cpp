#include "services/window/controls/transparent_label.h"

#include <QPainter>

#include <algorithm>

TransparentLabel::TransparentLabel(QWidget* parent) : QWidget(parent) {
    // Nothing behind the text is painted: the parent shows through.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setCaption(T("透明标签"));
}

void TransparentLabel::refresh() {
    // The label is not opaque, so Qt repaints the parent beneath it first.
    update();
}

void TransparentLabel::setCaption(const Text& caption) {
    caption_ = caption;
    setWindowTitle(caption.toQString());
    refresh();
}

void TransparentLabel::setEffect(int effect) {
    effect_ = std::clamp(effect, Plain, Shadowed);
    refresh();
}

void TransparentLabel::setTextFont(std::optional<QFont> font) {
    font_ = std::move(font);
    refresh();
}

// Without a font of its own the label takes the one it inherits (the
// window's default GUI font).
QFont TransparentLabel::textFont() const { return font_ ? *font_ : font(); }

void TransparentLabel::setTextColor(const QColor& colour) {
    colour_ = colour;
    refresh();
}

void TransparentLabel::setHorizontalAlignment(int alignment) {
    horizontal_ = std::clamp(alignment, 0, 2);
    refresh();
}

void TransparentLabel::setVerticalAlignment(int alignment) {
    vertical_ = std::clamp(alignment, 0, 2);
    refresh();
}

void TransparentLabel::setWordWrap(bool wrap) {
    wrap_ = wrap;
    refresh();
}

int TransparentLabel::textFlags() const {
    static const int horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const int vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    // Word-wrapped text starts at the top; a single line takes the vertical alignment.
    if (wrap_) return horizontal[horizontal_] | Qt::AlignTop | Qt::TextWordWrap;
    return horizontal[horizontal_] | vertical[vertical_] | Qt::TextSingleLine;
}

void TransparentLabel::paintEvent(QPaintEvent*) {
    if (caption_.empty()) return;
    QPainter painter(this);
    painter.setClipRect(rect());  // text that does not fit is cut at the box
    painter.setFont(textFont());
    const QString text = caption_.toQString();
    const int flags = textFlags();
    const QRect box = rect();
    auto drawAt = [&](int dx, int dy, const QColor& colour) {
        painter.setPen(colour);
        painter.drawText(box.translated(dx, dy), flags, text);
    };
    int textDx = 0, textDy = 0;
    switch (effect_) {
    case Raised: drawAt(1, 1, Qt::white); break;
    case Sunken:
        drawAt(0, 0, Qt::white);
        textDx = textDy = 1;
        break;
    case Shadowed: drawAt(2, 2, Qt::black); break;
    default: break;
    }
    drawAt(textDx, textDy, colour_);
}
