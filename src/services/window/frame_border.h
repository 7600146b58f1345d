#pragma once
// The declared border kinds drawn as Qt frame styles.

#include "services/window/decl.h"

#include <QFrame>

inline void ApplyFrameBorder(QFrame* frame, Border border) {
    switch (border) {
    case Border::None: frame->setFrameStyle(QFrame::NoFrame); break;
    case Border::Sunken:
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        frame->setLineWidth(2);
        break;
    case Border::Raised:
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setLineWidth(2);
        break;
    case Border::ShallowSunken:
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
        break;
    case Border::Framed:
        frame->setFrameStyle(QFrame::Box | QFrame::Raised);
        frame->setLineWidth(1);
        frame->setMidLineWidth(1);
        break;
    case Border::SingleLine:
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        break;
    }
}
