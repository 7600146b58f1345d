#pragma once
// Transparent label: a caption drawn straight onto whatever lies beneath it;
// the label paints no background of its own.

#include "services/core/text.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include <optional>

class TransparentLabel : public QWidget {
    Q_OBJECT
public:
    // Effects drawn under the text.
    static constexpr int Plain = 0;
    static constexpr int Raised = 1;    // white copy at (+1, +1)
    static constexpr int Sunken = 2;    // white copy in place, text at (+1, +1)
    static constexpr int Shadowed = 3;  // black copy at (+2, +2)

    explicit TransparentLabel(QWidget* parent = nullptr);

    // Default "透明标签"; also becomes the widget's window text.
    void setCaption(const Text& caption);
    Text caption() const { return caption_; }

    // Clamped to 0-3.
    void setEffect(int effect);
    int effect() const { return effect_; }

    // nullopt: the font the label inherits (the default GUI font).
    void setTextFont(std::optional<QFont> font);
    QFont textFont() const;

    void setTextColor(const QColor& colour);  // default black
    QColor textColor() const { return colour_; }

    // 0 left, 1 centre, 2 right (clamped); default 0.
    void setHorizontalAlignment(int alignment);
    int horizontalAlignment() const { return horizontal_; }
    // Single line only: 0 top, 1 centre, 2 bottom (clamped); default 1.
    void setVerticalAlignment(int alignment);
    int verticalAlignment() const { return vertical_; }
    // Word-break layout over several lines; default false.
    void setWordWrap(bool wrap);
    bool wordWrap() const { return wrap_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    int textFlags() const;

    Text caption_;
    int effect_ = Plain;
    std::optional<QFont> font_;
    QColor colour_ = Qt::black;
    int horizontal_ = 0;
    int vertical_ = 1;
    bool wrap_ = false;
};
