#include "ui/weather_window_decl.h"

Text WeatherPagePath() { return T("/tb.q?cid=webq.wea"); }

WindowDecl WeatherWindowDecl() {
    WindowDecl w;
    w.id = "weather";
    w.width = 259;
    w.height = 194;
    w.border = WindowBorder::None;
    w.systemMenu = false;
    w.inTaskbar = false;
    w.dragAnywhere = true;
    w.shape = WindowShape::RoundedRectangle;
    w.visible = false;
    w.position = WindowPosition::Centred;
    w.events = {{Event::Created, WeatherHandlers::Created}};
    // The offsets of -3 hide the page view's own edge.
    w.controls = {
        ControlDecl{.kind = ControlKind::HtmlViewer, .name = T(WeatherControls::Page), .rect = {-3, -3, 264, 200}}};
    return w;
}
