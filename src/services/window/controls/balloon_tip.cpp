#include "services/window/controls/balloon_tip.h"

#include "services/window/native_title.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QToolTip>

#include <algorithm>
#include <cmath>

BalloonTipSettings BalloonTipSettings::defaults() {
    BalloonTipSettings s;
    const QPalette tips = QToolTip::palette();
    const QColor tipBack = tips.color(QPalette::ToolTipBase);
    s.background[0] = tipBack;
    s.background[1] = tipBack;
    s.background[2] = QColor(255, 192, 192);
    s.background[3] = QColor(192, 192, 255);
    s.borderColour = tips.color(QPalette::ToolTipText);
    return s;
}

// The balloon's top-level tool window: draws the shape, shadow, fill,
// border, icon and text that BalloonTip lays out.
class BalloonPopup : public QWidget {
public:
    BalloonPopup() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // Lays the balloon out for the text and returns the window-relative point
    // the tail (or the edge place, without a tail) points at.
    QPoint layOut(const BalloonTipSettings& s, const QString& text, const QPixmap& icon);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    BalloonTipSettings s_;
    QString text_;
    QPixmap icon_;
    QRect body_;  // the rounded rectangle, window coordinates
    QPainterPath shape_;
    QRect textBox_;
    QImage shadow_;
};

namespace {

QFont balloonFont() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Verdana")});
    font.setPointSize(9);
    return font;
}

// Softens the alpha channel of an ARGB image with a box blur.
void softenAlpha(QImage& image, int radiusX, int radiusY) {
    const int w = image.width(), h = image.height();
    std::vector<int> alpha(static_cast<std::size_t>(w) * h), pass(alpha.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) alpha[y * w + x] = qAlpha(image.pixel(x, y));
    auto blur = [&](const std::vector<int>& in, std::vector<int>& out, int radius, bool horizontal) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Pixels outside the image count as clear.
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = horizontal ? x + k : x, yy = horizontal ? y : y + k;
                    if (xx >= 0 && xx < w && yy >= 0 && yy < h) sum += in[yy * w + xx];
                }
                out[y * w + x] = sum / (2 * radius + 1);
            }
    };
    blur(alpha, pass, std::max(radiusX / 2, 0), true);
    blur(pass, alpha, std::max(radiusY / 2, 0), false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgba(0, 0, 0, alpha[y * w + x]));
}

}  // namespace

QPoint BalloonPopup::layOut(const BalloonTipSettings& s, const QString& text, const QPixmap& icon) {
    s_ = s;
    text_ = text;
    icon_ = icon;
    setFont(balloonFont());

    const QFontMetrics metrics(font());
    QRect textSize = metrics.boundingRect(QRect(0, 0, 400, 10000), Qt::TextWordWrap | Qt::TextExpandTabs, text_);
    const int iconGap = icon_.isNull() ? 0 : 4;
    const int iconW = icon_.isNull() ? 0 : icon_.width();
    const int contentW = iconW + iconGap + textSize.width();
    const int contentH = std::max(textSize.height(), icon_.isNull() ? 0 : icon_.height());
    const int bodyW = contentW + 2 * std::max(s_.marginH, 0);
    const int bodyH = contentH + 2 * std::max(s_.marginV, 0);

    const bool tail = s_.tailWidth > 0 && s_.tailHeight > 0;
    const int tailH = tail ? s_.tailHeight : 0;
    const int edge = s_.tailPosition / 3;   // 0 top, 1 left, 2 right, 3 bottom
    const int place = s_.tailPosition % 3;  // 0 near (left or top), 1 centre, 2 far

    body_ = QRect(edge == 1 ? tailH : 0, edge == 0 ? tailH : 0, bodyW, bodyH);
    shape_ = QPainterPath();
    shape_.addRoundedRect(QRectF(body_).adjusted(0.5, 0.5, -0.5, -0.5), s_.cornerWidth / 2.0, s_.cornerHeight / 2.0);

    // Along the edge: where the tail's base begins, and where the apex lies.
    const bool horizontalEdge = edge == 0 || edge == 3;
    const int edgeLength = horizontalEdge ? bodyW : bodyH;
    const int baseW = tail ? s_.tailWidth : 0;
    int baseStart = 0, apexAlong = 0;
    if (place == 0) {
        baseStart = s_.tailMargin;
        apexAlong = baseStart;
    } else if (place == 2) {
        baseStart = edgeLength - s_.tailMargin - baseW;
        apexAlong = edgeLength - s_.tailMargin;
    } else {
        baseStart = (edgeLength - baseW) / 2;
        apexAlong = edgeLength / 2;
    }
    QPoint apex;
    QPolygon base;
    switch (edge) {
    case 0:
        apex = QPoint(body_.left() + apexAlong, body_.top() - tailH);
        base << QPoint(body_.left() + baseStart, body_.top() + 1)
             << QPoint(body_.left() + baseStart + baseW, body_.top() + 1);
        break;
    case 1:
        apex = QPoint(body_.left() - tailH, body_.top() + apexAlong);
        base << QPoint(body_.left() + 1, body_.top() + baseStart)
             << QPoint(body_.left() + 1, body_.top() + baseStart + baseW);
        break;
    case 2:
        apex = QPoint(body_.right() + 1 + tailH, body_.top() + apexAlong);
        base << QPoint(body_.right(), body_.top() + baseStart)
             << QPoint(body_.right(), body_.top() + baseStart + baseW);
        break;
    default:
        apex = QPoint(body_.left() + apexAlong, body_.bottom() + 1 + tailH);
        base << QPoint(body_.left() + baseStart, body_.bottom())
             << QPoint(body_.left() + baseStart + baseW, body_.bottom());
        break;
    }
    apex += QPoint(s_.tailOffsetH, s_.tailOffsetV);
    if (tail) {
        QPainterPath triangle;
        triangle.addPolygon(QPolygonF(QPolygon() << base[0] << apex << base[1] << base[0]));
        shape_ = shape_.united(triangle).simplified();
    }

    // The window grows by the shadow offsets to hold the shadow.
    const bool shadow = s_.shadowRight != 0 || s_.shadowDown != 0;
    const int shadowRight = shadow ? std::max(s_.shadowRight, 0) : 0;
    const int shadowDown = shadow ? std::max(s_.shadowDown, 0) : 0;
    const int width = body_.right() + 1 + (edge == 2 ? tailH : 0) + shadowRight + 1;
    const int height = body_.bottom() + 1 + (edge == 3 ? tailH : 0) + shadowDown + 1;
    resize(width, height);

    textBox_ = QRect(body_.left() + s_.marginH + iconW + iconGap, body_.top() + s_.marginV, textSize.width(), contentH);

    shadow_ = QImage();
    if (shadow) {
        shadow_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        shadow_.fill(Qt::transparent);
        QPainter painter(&shadow_);
        painter.setRenderHint(QPainter::Antialiasing);
        // Darkening as opacity: through the window's own transparency this
        // gives the grey level of the shadow the balloon casts.
        const int alpha = std::clamp(s_.shadowDarkening, 0, 100) * 255 / 100;
        painter.fillPath(shape_.translated(s_.shadowRight, s_.shadowDown), QColor(0, 0, 0, alpha));
        painter.end();
        if (s_.shadowSoft && (s_.softWidth > 0 || s_.softHeight > 0)) {
            shadow_ = shadow_.convertToFormat(QImage::Format_ARGB32);
            softenAlpha(shadow_, s_.softWidth, s_.softHeight);
        }
    }
    // Without a compositing manager the transparent corners and the shadow
    // show black: the balloon is cut to its shape and border instead.
    if (!DesktopComposites()) {
        QPainterPathStroker stroker;
        stroker.setWidth(std::max(s_.borderWidth, s_.borderHeight) + 1);
        setMask(QRegion(shape_.united(stroker.createStroke(shape_)).toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
    update();
    return apex;
}

void BalloonPopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!shadow_.isNull()) painter.drawImage(0, 0, shadow_);
    painter.setRenderHint(QPainter::Antialiasing);

    // Fill: solid begin colour, or a gradient over begin, middle and end.
    if (s_.backgroundEffect == 1 || s_.backgroundEffect == 2) {
        QLinearGradient gradient(body_.topLeft(), s_.backgroundEffect == 1 ? body_.topRight() : body_.bottomLeft());
        gradient.setColorAt(0, s_.background[1]);
        gradient.setColorAt(0.5, s_.background[2]);
        gradient.setColorAt(1, s_.background[3]);
        painter.fillPath(shape_, gradient);
    } else {
        painter.fillPath(shape_, s_.background[1]);
    }
    const int borderWidth = std::max(s_.borderWidth, s_.borderHeight);
    if (borderWidth > 0) {
        painter.setPen(QPen(s_.borderColour, borderWidth));
        painter.drawPath(shape_);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!icon_.isNull())
        painter.drawPixmap(body_.left() + s_.marginH, textBox_.top() + (textBox_.height() - icon_.height()) / 2, icon_);
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(textBox_, Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignVCenter, text_);
}

BalloonTip::BalloonTip(QWidget* parent) : QObject(parent), settings_(BalloonTipSettings::defaults()) {
    for (QTimer* timer : {&showTimer_, &fadeInTimer_, &hideTimer_, &fadeOutTimer_})
        timer->setTimerType(Qt::PreciseTimer);
    showTimer_.setSingleShot(true);
    hideTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &BalloonTip::onShowTimer);
    connect(&fadeInTimer_, &QTimer::timeout, this, &BalloonTip::onFadeInStep);
    connect(&hideTimer_, &QTimer::timeout, this, &BalloonTip::onHideTimer);
    connect(&fadeOutTimer_, &QTimer::timeout, this, &BalloonTip::onFadeOutStep);
    // The balloon goes when the window it belongs to closes.
    if (parent) parent->window()->installEventFilter(this);
}

BalloonTip::~BalloonTip() {
    for (ControlTip& tip : controls_)
        if (tip.control) tip.control->removeEventFilter(this);
    delete popup_;
}

void BalloonTip::setSettings(const BalloonTipSettings& settings) {
    settings_ = settings;
    setTailPosition(settings.tailPosition);
    setTransparency(settings.transparency);
}

void BalloonTip::setBackgroundColours(const QColor& first, const QColor& begin, const QColor& middle,
                                      const QColor& end) {
    settings_.background[0] = first;
    settings_.background[1] = begin;
    settings_.background[2] = middle;
    settings_.background[3] = end;
}
void BalloonTip::setBackgroundEffect(int effect, int granularity) {
    settings_.backgroundEffect = effect;
    settings_.granularity = granularity;
}
void BalloonTip::setTailPosition(int position) { settings_.tailPosition = std::clamp(position, 0, 11); }
void BalloonTip::setTransparency(int percent) { settings_.transparency = std::clamp(percent, 0, 100); }
void BalloonTip::setBehaviour(int switches) { settings_.behaviour = switches; }
void BalloonTip::setCornerRounding(int width, int height) {
    settings_.cornerWidth = width;
    settings_.cornerHeight = height;
}
void BalloonTip::setTextMargin(int horizontal, int vertical) {
    settings_.marginH = horizontal;
    settings_.marginV = vertical;
}
void BalloonTip::setTail(int width, int height, int margin) {
    settings_.tailWidth = width;
    settings_.tailHeight = height;
    settings_.tailMargin = margin;
}
void BalloonTip::setTailOffset(int horizontal, int vertical) {
    settings_.tailOffsetH = horizontal;
    settings_.tailOffsetV = vertical;
}
void BalloonTip::setInitialDelay(int ms) { settings_.initialDelay = std::max(ms, 0); }
void BalloonTip::setDisplayTime(int ms) { settings_.displayTime = std::max(ms, 0); }
void BalloonTip::setFadeSteps(int fadeInMs, int fadeOutMs) {
    settings_.fadeInStep = std::max(fadeInMs, 0);
    settings_.fadeOutStep = std::max(fadeOutMs, 0);
}
void BalloonTip::setBorder(const QColor& colour, int width, int height) {
    settings_.borderColour = colour;
    settings_.borderWidth = width;
    settings_.borderHeight = height;
}
void BalloonTip::setShadow(bool soft, int darkening, int offsetRight, int offsetDown, int softWidth, int softHeight) {
    settings_.shadowSoft = soft;
    settings_.shadowDarkening = darkening;
    settings_.shadowRight = offsetRight;
    settings_.shadowDown = offsetDown;
    settings_.softWidth = softWidth;
    settings_.softHeight = softHeight;
}
void BalloonTip::setImageList(const QList<QPixmap>& icons) { icons_ = icons; }

QWidget* BalloonTip::popup() const { return popup_; }

bool BalloonTip::isTipVisible() const { return popup_ && popup_->isVisible(); }

bool BalloonTip::isPending() const { return showTimer_.isActive(); }

BalloonTip::ControlTip* BalloonTip::tipFor(QObject* control) {
    for (ControlTip& tip : controls_)
        if (tip.control == control) return &tip;
    return nullptr;
}

void BalloonTip::AddControlTip(QWidget* control, const Text& text, int iconIndex, std::optional<QRect> area) {
    if (!control) return;
    // Controls that went away leave their entries behind; drop them here.
    std::erase_if(controls_, [](const ControlTip& tip) { return tip.control.isNull(); });
    if (ControlTip* existing = tipFor(control)) {
        existing->text = text;
        existing->icon = iconIndex;
        existing->area = area;
        return;
    }
    controls_.push_back(ControlTip{control, text, iconIndex, area, false, true});
    control->setAttribute(Qt::WA_Hover);
    control->installEventFilter(this);
}

void BalloonTip::ShowTipAt(int x, int y, const Text& text, int iconIndex, bool autoHide) {
    const int behaviour = settings_.behaviour | (autoHide ? 0 : BalloonBehaviour::NoAutoHide);
    request(QPoint(x, y), text, iconIndex, behaviour, nullptr);
}

void BalloonTip::request(const QPoint& target, const Text& text, int icon, int behaviour, QWidget* hoverControl) {
    // A new balloon replaces the one on show.
    hideTip();
    target_ = target;
    text_ = text;
    icon_ = icon;
    showingBehaviour_ = behaviour;
    hoverRequest_ = hoverControl != nullptr;
    hoverControl_ = hoverControl;
    hoverCursorStart_ = QCursor::pos();
    showTimer_.start(settings_.initialDelay);
}

void BalloonTip::onShowTimer() {
    if (hoverRequest_) {
        // A hover balloon shows only if the mouse rested where the wait began.
        if (!hoverControl_ || QCursor::pos() != hoverCursorStart_ || !hoverControl_->isVisible()) return;
        target_ = QCursor::pos();
    }
    showNow();
}

void BalloonTip::showNow() {
    if (!popup_) popup_ = new BalloonPopup;
    const QPixmap icon = icon_ >= 0 && icon_ < icons_.size() ? icons_[icon_] : QPixmap();
    // Plain text; line breaks as the user wrote them.
    QString text = text_.toQString();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    const QPoint apex = popup_->layOut(settings_, text, icon);
    popup_->move(target_ - apex);

    currentTransparency_ = settings_.fadeInStep > 0 ? 100 : settings_.transparency;
    applyTransparency();
    popup_->show();
    popup_->raise();
    if (settings_.fadeInStep > 0) fadeInTimer_.start(settings_.fadeInStep);
    if (!(showingBehaviour_ & BalloonBehaviour::NoAutoHide)) hideTimer_.start(settings_.displayTime);
    emit tipShown();
}

void BalloonTip::onFadeInStep() {
    currentTransparency_ = std::max(currentTransparency_ - 20, settings_.transparency);
    applyTransparency();
    if (currentTransparency_ <= settings_.transparency) fadeInTimer_.stop();
}

void BalloonTip::onHideTimer() {
    fadeInTimer_.stop();
    if (settings_.fadeOutStep > 0) fadeOutTimer_.start(settings_.fadeOutStep);
    else finishHide();
}

void BalloonTip::onFadeOutStep() {
    currentTransparency_ = std::min(currentTransparency_ + 20, 100);
    applyTransparency();
    if (currentTransparency_ >= 100) finishHide();
}

void BalloonTip::applyTransparency() {
    if (popup_) popup_->setWindowOpacity((100 - currentTransparency_) / 100.0);
}

void BalloonTip::hideTip() {
    showTimer_.stop();
    if (isTipVisible()) finishHide();
}

void BalloonTip::finishHide() {
    fadeInTimer_.stop();
    hideTimer_.stop();
    fadeOutTimer_.stop();
    currentTransparency_ = 100;
    const bool wasVisible = isTipVisible();
    if (popup_) popup_->hide();
    if (hoverRequest_ && hoverControl_) {
        if (ControlTip* tip = tipFor(hoverControl_)) {
            tip->shownOnce = true;
            // Resting on after the balloon hid does not bring it back; leaving and returning does.
            tip->leftSinceShown = !tip->control->rect().contains(tip->control->mapFromGlobal(QCursor::pos()));
        }
    }
    if (wasVisible) emit tipHidden();
}

bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    auto* parentWidget = qobject_cast<QWidget*>(parent());
    if (parentWidget && watched == parentWidget->window() && (type == QEvent::Hide || type == QEvent::Close)) {
        hideTip();
        return false;
    }
    ControlTip* tip = tipFor(watched);
    if (!tip) return false;
    if (type == QEvent::Enter || type == QEvent::HoverEnter || type == QEvent::HoverMove || type == QEvent::MouseMove) {
        // Resting on the control: (re)start the wait unless its balloon is on
        // show, or it showed once and may not show again.
        if (hoverControl_ == tip->control && isTipVisible()) return false;
        if (tip->shownOnce && !(settings_.behaviour & BalloonBehaviour::ShowAgain)) return false;
        if (tip->area) {
            const QPoint local = tip->control->mapFromGlobal(QCursor::pos());
            if (!tip->area->contains(local)) return false;
        }
        if (tip->shownOnce && !tip->leftSinceShown) return false;
        // Still waiting at the same point: let the wait run.
        if (hoverControl_ == tip->control && isPending() && QCursor::pos() == hoverCursorStart_) return false;
        request(QCursor::pos(), tip->text, tip->icon, settings_.behaviour, tip->control);
    } else if (type == QEvent::Leave || type == QEvent::HoverLeave) {
        tip->leftSinceShown = true;
        if (hoverControl_ == tip->control) {
            showTimer_.stop();
            if (isTipVisible()) onHideTimer();
        }
    }
    return false;
}
