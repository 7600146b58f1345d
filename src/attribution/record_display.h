#pragma once
// The carrier logo and the attribution as the contact record window shows
// them for the contact on display.

#include "services/core/text.h"

#include <functional>

class Window;
class RecordSet;

// The logo of the carrier of `mobile` in the record window's 图片框1 (the
// segments read through the window's 记录集2); an empty picture when the
// carrier is none of "联通", "移动", "电信".
void show_carrier_logo(Window& recordWindow, const Text& mobile);

// For the contact `contacts` stands on: its stored 归属地 or, when that is
// empty, its offline attribution, stored at once; appended to the window's
// 透明标签_当前选择 as "      归属地：" + attribution (nothing when there is
// none). When the stored value was empty and a service is configured, the
// service is asked off this thread; its answer replaces the shown and the
// stored attribution if `stillShown` (asked on arrival) says the same contact
// is still on display. Showing another contact or closing the window
// withdraws the question.
void show_attribution(Window& recordWindow, RecordSet& contacts, const Text& serviceAddress,
                      std::function<bool()> stillShown = {});

// Whether the record window is waiting for the service's answer.
bool attribution_service_asked(Window& recordWindow);
