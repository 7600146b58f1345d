#pragma once
// System and special commands: picture size, opening a web address, window
// opacity, screen capture, the window under the cursor, a responsive delay
// and the paths of special folders. No operation reports errors other than
// through its result.

#include "services/core/text.h"
#include "services/core/value.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <optional>

class QUrl;
class QWidget;

// Screen rectangle; right and bottom are exclusive.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The program's one picture decoder (picture boxes, image buttons, image
// sizes): JPEG, BMP, GIF, icon and cursor images. Null image when the bytes
// are not a picture it can read; never ends the program.
QImage DecodePicture(const Bytes& picture);

// The picture as a baseline JPEG file at the given quality (1-100);
// transparent parts become white. Empty for a null image.
Bytes JpegFileBytes(const QImage& image, int quality = 90);

// Width / height in pixels of the image file; 0 when it cannot be read as one.
int ImageWidth(const Text& file);
int ImageHeight(const Text& file);

// Opens the address in the desktop's default browser; an empty address opens
// nothing.
void OpenUrl(const Text& address = Text());
// Seam for tests: replaces how addresses are opened; returns the previous
// opener. nullptr restores the desktop's.
using UrlOpener = std::function<void(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);

// Constant opacity of a top-level window; an omitted value or one outside
// 0-255 counts as 255. False for no window.
bool SetWindowAlpha(QWidget* window, std::optional<int> opacity = std::nullopt);

// Copies the area of the screen (nullopt: the whole screen), clipped to the
// screen. Mode 0 writes a BMP file, mode 1 puts the picture on the clipboard;
// mode 2 gives the BMP bytes, which ScreenCaptureBytes returns (here it only
// tells whether there were any). A mode outside 0-2 is 0. False when the
// clipped area is empty or the file cannot be written.
inline constexpr int kCaptureToFile = 0;
inline constexpr int kCaptureToClipboard = 1;
inline constexpr int kCaptureToBytes = 2;
bool ScreenCapture(std::optional<Rect> area = std::nullopt, int mode = kCaptureToFile, const Text& file = Text());
// Mode 2: the BMP file bytes; empty when the clipped area is empty.
Bytes ScreenCaptureBytes(std::optional<Rect> area = std::nullopt);
// The BMP file layout of captures: 1, 4 or 8 bits per pixel with a colour
// table of 2, 16 or 256 entries, or 24 bits without one; rows padded to 4
// bytes, bottom row first. bitsPerPixel 0 follows the image: 8 for an indexed
// image, else 24. Empty for a null image or another bit count.
Bytes BmpFileBytes(const QImage& image, int bitsPerPixel = 0);

// The widget under the cursor; of overlapping sibling controls there the
// smallest visible one wins. nullptr when none.
QWidget* WindowUnderCursor();
// The same rule at a given screen point.
QWidget* WindowUnderPoint(const QPoint& screenPoint);

// Waits ms milliseconds. On the user-interface thread window events are
// handled meanwhile; elsewhere the thread sleeps. ms <= 0 returns at once.
void Delay(int ms);

// Special folders 1-11 of this desktop, ending in "/"; empty for other kinds
// or a folder this desktop does not have. 11 is the temporary folder.
inline constexpr int kTemporaryFolder = 11;
Text SpecialFolder(int kind);
