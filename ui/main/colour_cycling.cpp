// The background colour choice and the three timers that make it flicker.

#include "fm_ponkka.h"

#include "ui_fm_ponkka.h"

#include "colours.h"
#include "interval_timer.h"

namespace vp {

void FmPonkka::Command1_Click() {}

void FmPonkka::Timer1_Tick() { setWindowColour(kYellow); }
void FmPonkka::Timer2_Tick() { setWindowColour(kGreen); }
void FmPonkka::Timer3_Tick() { setWindowColour(kRed); }

} // namespace vp
