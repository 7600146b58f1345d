#pragma once
// Image button: a button drawn entirely from pictures, one per state (normal,
// hot while the mouse is over it, pressed, disabled). With a transparent
// colour set, the pixels of that colour are outside the button: not drawn and
// not clickable (the widget's mask follows the picture's shape).

#include "services/core/value.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <optional>

class ImageButton : public QWidget {
    Q_OBJECT
public:
    enum class State { Normal, Hot, Pressed };
    static constexpr int PushType = 0;
    static constexpr int ToggleType = 1;

    explicit ImageButton(QWidget* parent = nullptr);

    // 0 push, 1 toggle (each click inside flips `checked`); other values push.
    void setButtonType(int type);
    int buttonType() const { return type_; }
    void setChecked(bool checked);
    bool isChecked() const { return checked_; }

    // Picture bytes (JPEG, GIF or BMP); empty bytes remove the picture. A
    // picture that does not decode counts as none.
    void setNormalPicture(const Bytes& picture);
    void setHotPicture(const Bytes& picture);
    void setPressedPicture(const Bytes& picture);
    void setDisabledPicture(const Bytes& picture);
    Bytes normalPicture() const { return normalBytes_; }
    Bytes hotPicture() const { return hotBytes_; }
    Bytes pressedPicture() const { return pressedBytes_; }
    Bytes disabledPicture() const { return disabledBytes_; }

    // Pixels of this colour are outside the button; nullopt: the whole rectangle.
    void setTransparentColor(std::optional<QColor> colour);
    std::optional<QColor> transparentColor() const { return transparent_; }

    // Hand cursor over the button (the declared cursor); arrow otherwise.
    void setHandCursor(bool hand);

    State state() const { return state_; }
    // The picture drawn now: the state's picture, the normal one where the
    // state has none, a greyed normal picture when disabled without its own.
    QImage currentPicture() const;

    QSize sizeHint() const override;

signals:
    // Left button released inside the enabled button.
    void clicked();
    // Toggle type: after each flip of `checked`.
    void toggled(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Slot { Normal, Hot, Pressed, Disabled };
    void setPicture(Slot slot, const Bytes& bytes);
    Slot currentSlot() const;
    void setState(State state);
    bool insideShape(const QPoint& p) const;
    void updateMask();

    int type_ = PushType;
    bool checked_ = false;
    State state_ = State::Normal;
    Bytes normalBytes_, hotBytes_, pressedBytes_, disabledBytes_;
    QImage normal_, hot_, pressed_, disabled_;
    std::optional<QColor> transparent_;
};
