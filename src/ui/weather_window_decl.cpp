#include "ui/weather_window_decl.h"

#include "ui/decl_helpers.h"

Text WeatherPagePath() { return T("/tb.q?cid=webq.wea"); }

WindowDecl WeatherWindowDecl() {
    WindowDecl w = BorderlessWindow("weather", 259, 194);
    w.shape = WindowShape::RoundedRectangle;
    w.visible = false;
    w.events = {{Event::Created, WeatherHandlers::Created}};
    // The offsets of -3 hide the page view's own edge.
    w.controls = {
        ControlDecl{.kind = ControlKind::HtmlViewer, .name = T(WeatherControls::Page), .rect = {-3, -3, 264, 200}}};
    return w;
}
