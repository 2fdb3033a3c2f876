#pragma once
// The long operations (read-back, EEPROM programming, Save, the trim upload) run inside their
// handlers on the window's own thread, and every one of them pauses through the pacer. This
// pacer gives the host a chance to repaint before each pause, so the window keeps painting
// (the progress bar moves) while the person's input waits for the handler to return.
#include "frame/host.h"
#include "link/pacer.h"

namespace vorlix::app {

class PumpingPacer : public Pacer {
public:
    PumpingPacer(frame::Host& host, Pacer& inner) : host_(host), inner_(inner) {}
    void sleepMs(unsigned ms) override {
        host_.pump();
        inner_.sleepMs(ms);
    }

private:
    frame::Host& host_;
    Pacer& inner_;
};

}  // namespace vorlix::app
