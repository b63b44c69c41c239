// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/fm_ponkka.h"

#include "ui_fm_ponkka.h"

#include "ui/main/radio_tab_stops.h"

#include "drive/module1.h"
#include "ui/about/fm_tietoja.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/interval_timer.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/twips.h"

#include <QCheckBox>
#include <QShortcut>

namespace vp {

namespace {

// Client area below the menu bar, 7665 x 4560 twips.
constexpr QSize kClientSize(twipsToPixels(7665), twipsToPixels(4560));

IntervalTimer* makeTimer(const char* name, QObject* owner)
{
    auto* timer = new IntervalTimer(owner);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

FmPonkka::FmPonkka(QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::FmPonkka>()),
      Timer1(makeTimer("Timer1", this)),
      Timer2(makeTimer("Timer2", this)),
      Timer3(makeTimer("Timer3", this))
{
    ui->setupUi(this);
    applyWindowLook(*this);
    colourControls();
    // Resizing the window moves nothing: the client area has no layout.
    resize(kClientSize.width(), kClientSize.height() + ui->menubar->sizeHint().height());

    connect(ui->mnutietoja, &QAction::triggered, this, &FmPonkka::mnutietoja_Click);
    connect(ui->mnuSulje, &QAction::triggered, this, &FmPonkka::mnuSulje_Click);
    connect(ui->CmdPonkka, &QPushButton::clicked, this, &FmPonkka::CmdPonkka_Click);
    connect(ui->CmdSulje, &QPushButton::clicked, this, &FmPonkka::CmdSulje_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &FmPonkka::Command1_Click);
    connect(Timer1, &IntervalTimer::tick, this, &FmPonkka::Timer1_Tick);
    connect(Timer2, &IntervalTimer::tick, this, &FmPonkka::Timer2_Tick);
    connect(Timer3, &IntervalTimer::tick, this, &FmPonkka::Timer3_Tick);
    keepTabStopOnSelection(ui->Frame3);
    keepTabStopOnSelection(ui->Frame4);
    // F10 reaches the menu as a lone Alt does, as in other desktop programs:
    // "Tiedosto" opens, ready for the arrow keys.
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            [this] { ui->menubar->setActiveAction(ui->mnutiedosto->menuAction()); });

    Form_Load();
}

FmPonkka::~FmPonkka() = default;

// Every control keeps a background of its own, so that a change of the
// window's colour shows only in the margins between them; the banner's box
// too, around its picture. Push buttons and the text box keep the platform
// look.
void FmPonkka::colourControls()
{
    for (QWidget* control : ui->centralwidget->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(control) || qobject_cast<QLineEdit*>(control))
            continue;
        setBackgroundColour(control, kYellow);
    }
    setBackgroundColour(ui->Option2, kGreen);
    setBackgroundColour(ui->Option3, kRed);
}

void FmPonkka::Form_Load()
{
    ui->LblPonkka->setText(QStringLiteral("0"));
    ui->LblSulku->setText(QStringLiteral("0"));
    setWindowColour(kYellow);
    ui->Option1->setChecked(true);
    Module1::OpenCount = 0;
    Module1::CloseCount = 0;
}

void FmPonkka::setWindowColour(std::uint32_t bgr) { setBackgroundColour(ui->centralwidget, bgr); }

void FmPonkka::mnutietoja_Click()
{
    // Modal: this window takes no input until the About window is closed,
    // while every timer keeps ticking. Closing it unloads it, so each
    // opening builds it afresh.
    FmTietoja about(this);
    about.exec();
}

void FmPonkka::mnuSulje_Click() { close(); }

bool FmPonkka::confirmationGatePasses()
{
    if (ui->Check2->checkState() != Qt::Unchecked && ui->Check3->checkState() != Qt::Unchecked)
        return true;
    showMessageBox(QStringLiteral("    Varoitus! Rutabo vapaa alue. Tarkista asetukset.    "));
    return false;
}

} // namespace vp
