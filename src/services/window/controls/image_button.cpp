#include "services/window/controls/image_button.h"

#include "services/system/system.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The disabled look when no disabled picture is given: lighter grey, shape kept.
QImage greyed(const QImage& picture) {
    if (picture.isNull()) return picture;
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int grey = (qGray(line[x]) + 255) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return out;
}

}  // namespace

ImageButton::ImageButton(QWidget* parent) : QWidget(parent) {
    // No background of its own: only the picture is drawn.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

void ImageButton::setButtonType(int type) {
    type_ = type == ToggleType ? ToggleType : PushType;
    setState(State::Normal);
    update();
}

void ImageButton::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    update();
}

void ImageButton::setNormalPicture(const Bytes& picture) { setPicture(Slot::Normal, picture); }
void ImageButton::setHotPicture(const Bytes& picture) { setPicture(Slot::Hot, picture); }
void ImageButton::setPressedPicture(const Bytes& picture) { setPicture(Slot::Pressed, picture); }
void ImageButton::setDisabledPicture(const Bytes& picture) { setPicture(Slot::Disabled, picture); }

void ImageButton::setPicture(Slot slot, const Bytes& bytes) {
    const QImage image = DecodePicture(bytes);
    switch (slot) {
    case Slot::Normal:
        normalBytes_ = bytes;
        normal_ = image;
        break;
    case Slot::Hot:
        hotBytes_ = bytes;
        hot_ = image;
        break;
    case Slot::Pressed:
        pressedBytes_ = bytes;
        pressed_ = image;
        break;
    case Slot::Disabled:
        disabledBytes_ = bytes;
        disabled_ = image;
        break;
    }
    if (slot == Slot::Normal) {
        updateMask();
        updateGeometry();
    }
    // Only the picture on show needs drawing again; the normal one may stand
    // in for any state that has none.
    if (slot == Slot::Normal || slot == currentSlot()) update();
}

void ImageButton::setTransparentColor(std::optional<QColor> colour) {
    transparent_ = colour;
    updateMask();
    update();
}

void ImageButton::setHandCursor(bool hand) { setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor); }

ImageButton::Slot ImageButton::currentSlot() const {
    if (!isEnabled()) return Slot::Disabled;
    if (type_ == ToggleType) return checked_ ? Slot::Pressed : Slot::Normal;
    switch (state_) {
    case State::Hot: return Slot::Hot;
    case State::Pressed: return Slot::Pressed;
    case State::Normal: break;
    }
    return Slot::Normal;
}

QImage ImageButton::currentPicture() const {
    switch (currentSlot()) {
    case Slot::Disabled: return disabled_.isNull() ? greyed(normal_) : disabled_;
    case Slot::Hot: return hot_.isNull() ? normal_ : hot_;
    case Slot::Pressed: return pressed_.isNull() ? normal_ : pressed_;
    case Slot::Normal: break;
    }
    return normal_;
}

QSize ImageButton::sizeHint() const { return normal_.isNull() ? QSize(16, 16) : normal_.size(); }

void ImageButton::setState(State state) {
    if (state_ == state) return;
    state_ = state;
    update();
}

bool ImageButton::insideShape(const QPoint& p) const {
    if (!rect().contains(p)) return false;
    return mask().isEmpty() || mask().contains(p);
}

void ImageButton::updateMask() {
    // The region is the picture's pixels of another colour than the
    // transparent one; without a transparent colour, the whole rectangle.
    if (!transparent_ || normal_.isNull()) {
        clearMask();
        return;
    }
    const QImage picture = normal_.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent_->rgb() & 0xFFFFFF;
    // One rectangle per run of kept pixels in a row: the rows come out in the
    // banded order QRegion::setRects expects.
    QList<QRect> runs;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        int x = 0;
        while (x < picture.width()) {
            while (x < picture.width() && (line[x] & 0xFFFFFF) == key) ++x;
            const int start = x;
            while (x < picture.width() && (line[x] & 0xFFFFFF) != key) ++x;
            if (x > start) runs.append(QRect(start, y, x - start, 1));
        }
    }
    QRegion region;
    region.setRects(runs.constData(), static_cast<int>(runs.size()));
    if (region.isEmpty())  // a picture all of the transparent colour: nothing left to click
        region = QRegion(-1, -1, 1, 1);
    setMask(region);
}

void ImageButton::paintEvent(QPaintEvent*) {
    const QImage picture = currentPicture();
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    if (type_ == PushType && insideShape(event->position().toPoint())) setState(State::Pressed);
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled() || type_ != PushType) return;
    const bool held = event->buttons() & Qt::LeftButton;
    if (insideShape(event->position().toPoint())) setState(held ? State::Pressed : State::Hot);
    else setState(State::Normal);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) return;
    const bool inside = insideShape(event->position().toPoint());
    setState(State::Normal);
    if (!inside) return;
    if (type_ == ToggleType) {
        checked_ = !checked_;
        update();
        emit toggled(checked_);
    }
    emit clicked();
}

void ImageButton::enterEvent(QEnterEvent* event) {
    if (isEnabled() && type_ == PushType && insideShape(event->position().toPoint())) setState(State::Hot);
    QWidget::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    // While the left button is held the press continues outside (Qt keeps
    // the mouse grabbed); the state is normal until it comes back.
    setState(State::Normal);
    QWidget::leaveEvent(event);
}

void ImageButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        state_ = State::Normal;
        update();
    }
    QWidget::changeEvent(event);
}

void ImageButton::resizeEvent(QResizeEvent* event) {
    updateMask();
    QWidget::resizeEvent(event);
}
