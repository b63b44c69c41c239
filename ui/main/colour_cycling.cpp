// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The background colour choice and the three timers that make it flicker.

#include "ui/main/fm_ponkka.h"

#include "ui_fm_ponkka.h"

#include "runtime/silent_handler.h"
#include "ui/main/delay_interval.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/interval_timer.h"

#include <QLocale>

namespace vp {

namespace {

// Milliseconds of timer interval per second of delay.
constexpr int kTimer1Factor = 1000;
constexpr int kTimer2Factor = 1857;
constexpr int kTimer3Factor = 2253;

} // namespace

// Each step takes effect as it goes: a delay that cannot be read, or an
// interval out of the timers' range, ends the handler there and leaves what
// was done before it, down to timers enabled with their old intervals.
void FmPonkka::Command1_Click()
{
    runSilently([&] {
        if (!confirmationGatePasses()) return;

        Timer1->setEnabled(false);
        Timer2->setEnabled(false);
        Timer3->setEnabled(false);

        if (ui->Option1->isChecked()) setWindowColour(kYellow);
        if (ui->Option2->isChecked()) setWindowColour(kGreen);
        if (ui->Option3->isChecked()) setWindowColour(kRed);

        if (ui->Option4->isChecked()) {
            Timer1->setEnabled(true);
            Timer2->setEnabled(true);
            Timer3->setEnabled(true);
            const auto intervalFor = [&](int factor) {
                return timerIntervalFor(parseDelay(ui->TxtViive->text(), QLocale()), factor, QLocale());
            };
            Timer1->setInterval(intervalFor(kTimer1Factor));
            Timer2->setInterval(intervalFor(kTimer2Factor));
            Timer3->setInterval(intervalFor(kTimer3Factor));
        }
    });
}

void FmPonkka::Timer1_Tick() { setWindowColour(kYellow); }
void FmPonkka::Timer2_Tick() { setWindowColour(kGreen); }
void FmPonkka::Timer3_Tick() { setWindowColour(kRed); }

} // namespace vp
