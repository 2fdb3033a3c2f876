#pragma once
// The long operations (read-back, EEPROM programming, Save, the trim upload) run inside their
// handlers on the window's own thread, and every one of them pauses through the pacer. This
// pacer gives the host a chance to repaint inside each pause, so the window keeps painting
// (the progress bar moves) while the person's input waits for the handler to return. The
// repaint runs within the pause rather than before it: the camera still gets its whole pause
// after the last transfer, and the operation is not made longer by painting.
//
// The pause's deadline is taken before the repaint and the rest of the pause is slept to it, so
// a repaint never makes a pause end later than its deadline or the repaint's own end. Every
// pause may repaint: a repaint costs a small part of the shortest pause (README, Performance).
#include "frame/host.h"
#include "link/pacer.h"

namespace vorlix::app {

class PumpingPacer : public Pacer {
public:
    PumpingPacer(frame::Host& host, Pacer& inner) : host_(host), inner_(inner) {}
    void sleepMs(unsigned ms) override {
        inner_.sleepMsWhile(ms, [this] { host_.pump(); });
    }

private:
    frame::Host& host_;
    Pacer& inner_;
};

}  // namespace vorlix::app
