// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about/fm_tietoja.h"

#include "ui_fm_tietoja.h"

#include "runtime/checked_int16.h"
#include "runtime/runtime_error.h"
#include "ui/toolkit/colours.h"
#include "ui/toolkit/interval_timer.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/twips.h"

#include <QKeyEvent>
#include <QScreen>

namespace vp {

namespace {

// Client area, 5130 x 3480 twips.
constexpr QSize kClientSize(twipsToPixels(5130), twipsToPixels(3480));

} // namespace

FmTietoja::FmTietoja(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FmTietoja>()), Timer4(new IntervalTimer(this))
{
    Timer4->setObjectName(QStringLiteral("Timer4"));
    ui->setupUi(this);
    // An ordinary window with minimise and maximise boxes, not a dialog frame.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    applyWindowLook(*this);
    colourControls();
    describeForScreenReaders();
    // Resizing the window moves nothing: the window has no layout.
    resize(kClientSize);
    centreOnScreen();

    connect(Timer4, &IntervalTimer::tick, this, &FmTietoja::Timer4_Tick);
    connect(ui->Command1, &QPushButton::clicked, this, &FmTietoja::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &FmTietoja::Command2_Click);

    Form_Load();
}

FmTietoja::~FmTietoja() = default;

// Qt makes the frame the label of every control in it, and a screen reader
// reading a window as it opens passes over labels that name something else:
// it would say the caption, the frame and the picture, never the product or
// the credits. It reads the window's description instead.
void FmTietoja::describeForScreenReaders()
{
    setAccessibleDescription(
        QStringList{ui->Label3->text(), ui->Label1->text(), ui->Label2->text(), ui->Label4->text()}.join(
            QStringLiteral(". ")));
}

void FmTietoja::Form_Load()
{
    setPictureTop(kStartTop);
    Timer4->setEnabled(true);
    Timer4->setInterval(500);
}

void FmTietoja::Timer4_Tick()
{
    if (pictureTop_ == kLandingTop) return;
    movePicture(kSlideStep);
}

void FmTietoja::Command1_Click() { close(); }

void FmTietoja::Command2_Click() { movePicture(kPushStep); }

void FmTietoja::setPictureTop(std::int16_t twips)
{
    pictureTop_ = twips;
    ui->Picture1->move(ui->Picture1->x(), twipsToPixelsFloor(twips));
}

// The top is a 16-bit number. A move that would carry it past 32767 stops the
// slide instead: Timer4 stops and the picture stays where it is, far below
// the frame. The window goes on working.
void FmTietoja::movePicture(int twips)
{
    std::int16_t top = pictureTop_;
    try {
        addChecked(top, twips);
    } catch (const RuntimeError&) {
        Timer4->setEnabled(false);
        return;
    }
    setPictureTop(top);
}

void FmTietoja::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window, the frame and the labels are yellow; the push buttons and the
// picture box keep their own look.
void FmTietoja::colourControls()
{
    setBackgroundColour(this, kYellow);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control == ui->Picture1 || qobject_cast<QPushButton*>(control)) continue;
        setBackgroundColour(control, kYellow);
    }
}

// Centred on the owner's screen, decorations included. Before the window is
// first shown its own frame is not known yet; the window manager gives it the
// same frame as its owner, so the owner's frame stands in for it.
void FmTietoja::centreOnScreen()
{
    QWidget* owner = parentWidget();
    const QScreen* screen = owner ? owner->screen() : this->screen();
    if (!screen) return;

    QMargins frame;
    if (owner && owner->isVisible()) {
        const QRect outer = owner->frameGeometry();
        const QRect inner = owner->geometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    const QSize outerSize = size().grownBy(frame);
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outerSize.width()) / 2, area.y() + (area.height() - outerSize.height()) / 2);
}

} // namespace vp
