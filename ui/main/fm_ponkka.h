// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the tray buttons behind their confirmation gate, the
// action counters, the background colour and its three cycling timers, and
// the menu that opens the About window or ends the program.

#include <QMainWindow>

#include <cstdint>
#include <memory>

class QLabel;
class QRadioButton;

namespace Ui {
class FmPonkka;
}

namespace vp {

class IntervalTimer;

class FmPonkka : public QMainWindow {
    Q_OBJECT
public:
    explicit FmPonkka(QWidget* parent = nullptr);
    ~FmPonkka() override;

private:
    // What tells the open button from the close button; everything else about
    // the two is one procedure.
    struct TrayAction {
        const char* commandLine;
        const char* advert;
        std::int16_t& counter;
        QLabel* countLabel;
        QRadioButton* stateOption;
    };

    void Form_Load();
    void mnutietoja_Click();
    void mnuSulje_Click();
    void CmdPonkka_Click();
    void CmdSulje_Click();
    void Command1_Click();
    void Timer1_Tick();
    void Timer2_Tick();
    void Timer3_Tick();

    // Shows the warning and answers false unless both joke boxes are ticked.
    bool confirmationGatePasses();
    void runTrayAction(const TrayAction& action);
    void setWindowColour(std::uint32_t bgr);
    void colourControls();

    std::unique_ptr<Ui::FmPonkka> ui;
    IntervalTimer* Timer1;
    IntervalTimer* Timer2;
    IntervalTimer* Timer3;
};

} // namespace vp
