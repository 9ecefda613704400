#pragma once

#include "frame/PhotoFormUnit.h"

// The frame's commands, doing nothing: for a frame window without the controller.
class NoCommands : public FrameCommands {
public:
    void NoptionsClick() override {}
    void nPrevClick() override {}
    void nNextClick() override {}
    void nAboutClick() override {}
    void nCloseClick() override {}
    bool TrayAvailable() const override { return tray; }
    bool tray = true;
};
