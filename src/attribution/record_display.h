#pragma once
// The carrier logo and the attribution as the contact record window shows
// them for the contact on display.

#include "services/core/text.h"

class Window;
class RecordSet;

// The logo of the carrier of `mobile` in the record window's 图片框1 (looked up
// through the window's 记录集2); an empty picture when the carrier is none of
// "联通", "移动", "电信".
void show_carrier_logo(Window& recordWindow, const Text& mobile);

// For the contact `contacts` stands on: its stored 归属地, or a fresh lookup
// stored at once, appended to the window's 透明标签_当前选择 as
// "      归属地：" + attribution. Nothing is appended when there is none.
void show_attribution(Window& recordWindow, RecordSet& contacts, const Text& serviceAddress);
