// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows backend: the media-control string interface, mciSendStringA in
// winmm.dll, bound on the first command.

#include "drive/media_control.h"

#include <string>

namespace vp {

class WindowsMediaControl : public MediaControl {
public:
    // The library and entry point can be named for tests that prove what
    // happens when either cannot be found; the program uses the defaults.
    explicit WindowsMediaControl(std::string library = "winmm.dll",
                                 std::string entryPoint = "mciSendStringA");
    ~WindowsMediaControl() override;
    WindowsMediaControl(const WindowsMediaControl&) = delete;
    WindowsMediaControl& operator=(const WindowsMediaControl&) = delete;

    int send(const std::string& command) override;

    // How many times the entry point has been looked up (once at most).
    int bindCount() const { return bindCount_; }

private:
    void bind();
    // Hands the failure sink the error code and the interface's own words.
    void reportError(const std::string& command, int code) const;

    std::string library_;
    std::string entryPoint_;
    void* module_ = nullptr;
    void* entry_ = nullptr;
    void* errorText_ = nullptr;
    int bindCount_ = 0;
};

} // namespace vp
