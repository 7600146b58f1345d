#pragma once
// Balloon tip: a non-visual object that shows rounded, shadowed balloons with
// a tail, either when the mouse rests on a registered control or on demand at
// a screen point. Its pop-up is a top-level tool window of its own, owned by
// this object. Four timers drive it: show (initial delay), fade in, hide
// (display time) and fade out.

#include "services/core/text.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

// Behaviour switches.
namespace BalloonBehaviour {
constexpr int ShowAgain = 1;  // may show again for the same control after it hid
constexpr int Switch2 = 2;
constexpr int Switch4 = 4;
constexpr int Switch8 = 8;
constexpr int NoAutoHide = 16;  // no hiding by the display time
}  // namespace BalloonBehaviour

struct BalloonTipSettings {
    // The last three are the begin, middle and end colours of the background effect.
    QColor background[4];
    int backgroundEffect = 0;  // 0 solid fill with the begin colour
    int granularity = 5;
    int tailPosition = 9;   // 0-11: edge and place of the tail
    int transparency = 10;  // percent, 0-100
    int behaviour = BalloonBehaviour::ShowAgain;
    int cornerWidth = 16, cornerHeight = 16;
    int marginH = 12, marginV = 12;
    int tailWidth = 12, tailHeight = 16, tailMargin = 16;
    int tailOffsetH = 0, tailOffsetV = 0;
    int initialDelay = 600;               // ms
    int displayTime = 3000;               // ms
    int fadeInStep = 0, fadeOutStep = 0;  // ms; 0 = no fading
    QColor borderColour;
    int borderWidth = 1, borderHeight = 1;
    bool shadowSoft = true;
    int shadowDarkening = 60;  // percent
    int shadowRight = 5, shadowDown = 3;
    int softWidth = 7, softHeight = 7;

    // The defaults: tooltip colours of the platform, 600/3000/0/0 ms, switch 1.
    static BalloonTipSettings defaults();
};

class BalloonPopup;

class BalloonTip : public QObject {
    Q_OBJECT
public:
    // parent: the window (or control) the balloon is declared on; the balloon
    // hides when that window closes and is destroyed with it.
    explicit BalloonTip(QWidget* parent = nullptr);
    ~BalloonTip() override;

    void setSettings(const BalloonTipSettings& settings);
    const BalloonTipSettings& settings() const { return settings_; }

    void setBackgroundColours(const QColor& first, const QColor& begin, const QColor& middle, const QColor& end);
    void setBackgroundEffect(int effect, int granularity);
    void setTailPosition(int position);  // clamped to 0-11
    void setTransparency(int percent);   // clamped to 0-100
    void setBehaviour(int switches);
    void setCornerRounding(int width, int height);
    void setTextMargin(int horizontal, int vertical);
    void setTail(int width, int height, int margin);
    void setTailOffset(int horizontal, int vertical);
    void setInitialDelay(int ms);
    void setDisplayTime(int ms);
    void setFadeSteps(int fadeInMs, int fadeOutMs);
    void setBorder(const QColor& colour, int width, int height);
    void setShadow(bool soft, int darkening, int offsetRight, int offsetDown, int softWidth, int softHeight);
    // The balloon's image list, indexed by the icon index of the commands.
    void setImageList(const QList<QPixmap>& icons);

    // Hover balloon for `control`: when the mouse rests on it (or on `area`,
    // in the control's coordinates) for the initial delay, the text shows
    // pointing at the mouse. iconIndex -1: no icon. Registering the control
    // again replaces its text.
    void AddControlTip(QWidget* control, const Text& text, int iconIndex = -1,
                       std::optional<QRect> area = std::nullopt);
    // Shows the text with the tail at screen point (x, y) after the initial
    // delay; without autoHide it stays until the next balloon or hideTip().
    void ShowTipAt(int x, int y, const Text& text, int iconIndex = -1, bool autoHide = false);

    // Hides at once and drops any pending request.
    void hideTip();

    // The pop-up is on screen (also while fading).
    bool isTipVisible() const;
    // A request waits for its initial delay.
    bool isPending() const;
    Text currentText() const { return text_; }
    QPoint targetPoint() const { return target_; }
    // Current transparency of the pop-up in percent (100 = invisible).
    int currentTransparency() const { return currentTransparency_; }
    // The pop-up window (top-level tool window), for inspection.
    QWidget* popup() const;

signals:
    void tipShown();
    void tipHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ControlTip {
        QPointer<QWidget> control;
        Text text;
        int icon = -1;
        std::optional<QRect> area;
        bool shownOnce = false;
        bool leftSinceShown = true;  // the mouse left the control after its balloon hid
    };
    ControlTip* tipFor(QObject* control);
    void request(const QPoint& target, const Text& text, int icon, int behaviour, QWidget* hoverControl);
    void onShowTimer();
    void onFadeInStep();
    void onHideTimer();
    void onFadeOutStep();
    void showNow();
    void finishHide();
    void applyTransparency();

    BalloonTipSettings settings_;
    QList<QPixmap> icons_;
    std::vector<ControlTip> controls_;
    BalloonPopup* popup_ = nullptr;

    QTimer showTimer_, fadeInTimer_, hideTimer_, fadeOutTimer_;
    // The request being shown or waiting.
    Text text_;
    int icon_ = -1;
    QPoint target_;
    int showingBehaviour_ = 0;
    bool hoverRequest_ = false;  // the request came from resting on a control
    QPointer<QWidget> hoverControl_;
    QPoint hoverCursorStart_;
    int currentTransparency_ = 100;
};
