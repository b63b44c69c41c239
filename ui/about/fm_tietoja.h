// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About window: the product name and the team's credits beside a portrait
// that slides down into its place and can be pushed out of it. Shown modally
// from the main window's menu; every showing builds it afresh.

#include <QDialog>

#include <cstdint>
#include <memory>

class QKeyEvent;

namespace Ui {
class FmTietoja;
}

namespace vp {

class IntervalTimer;

class FmTietoja : public QDialog {
    Q_OBJECT
public:
    // The picture's top, in twips within Frame1, when the window loads and
    // where the slide stops.
    static constexpr std::int16_t kStartTop = -1440;
    static constexpr std::int16_t kLandingTop = 480;
    // Each tick of Timer4 moves the picture down by kSlideStep, each push by kPushStep.
    static constexpr int kSlideStep = 120;
    static constexpr int kPushStep = 50;

    explicit FmTietoja(QWidget* parent = nullptr);
    ~FmTietoja() override;

    // The picture box's top in twips within Frame1: the window's only state.
    // The twips are the truth; the picture is shown at the whole pixel at or
    // above them.
    std::int16_t pictureTop() const { return pictureTop_; }
    void setPictureTop(std::int16_t twips);

protected:
    // Escape does not close this window: only "&Sulje" and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void Timer4_Tick();
    void Command1_Click();
    void Command2_Click();

    void movePicture(int twips);
    void colourControls();
    void describeForScreenReaders();
    void centreOnScreen();

    std::unique_ptr<Ui::FmTietoja> ui;
    IntervalTimer* Timer4;
    std::int16_t pictureTop_ = kLandingTop;
};

} // namespace vp
