// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/windows_media_control.h"

#include "drive/drive_result.h"
#include "runtime/runtime_error.h"

#include <windows.h>

namespace vp {

namespace {

using MciSendStringA = DWORD(WINAPI*)(LPCSTR command, LPSTR returnString, UINT returnLength,
                                      HWND callback);
using MciGetErrorStringA = BOOL(WINAPI*)(DWORD error, LPSTR text, UINT length);

} // namespace

WindowsMediaControl::WindowsMediaControl(std::string library, std::string entryPoint)
    : library_(std::move(library)), entryPoint_(std::move(entryPoint))
{
}

WindowsMediaControl::~WindowsMediaControl()
{
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

void WindowsMediaControl::bind()
{
    ++bindCount_;
    // System directory only, so that a planted DLL beside the program or in
    // the working directory is never picked up.
    HMODULE module = LoadLibraryExA(library_.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) throw RuntimeError(ErrorCode::DllNotFound, "File not found: " + library_);
    FARPROC entry = GetProcAddress(module, entryPoint_.c_str());
    if (!entry) {
        FreeLibrary(module);
        throw RuntimeError(ErrorCode::EntryPointNotFound,
                           "Can't find DLL entry point " + entryPoint_ + " in " + library_);
    }
    module_ = module;
    entry_ = reinterpret_cast<void*>(entry);
    // Only for saying why a command failed; its absence is no error.
    errorText_ = reinterpret_cast<void*>(GetProcAddress(module, "mciGetErrorStringA"));
}

void WindowsMediaControl::reportError(const std::string& command, int code) const
{
    DriveFailure failure;
    failure.action = command == kDoorOpenCommand ? DriveAction::Open : DriveAction::Close;
    failure.kind = FailureKind::MediaControlError;
    failure.device = "cdaudio";
    failure.error = code;
    char text[256] = {};
    if (errorText_ && reinterpret_cast<MciGetErrorStringA>(errorText_)(static_cast<DWORD>(code), text, sizeof text))
        failure.toolMessage = text;
    vp::reportFailure(failure);
}

int WindowsMediaControl::send(const std::string& command)
{
    if (!entry_) bind();
    const auto mciSendString = reinterpret_cast<MciSendStringA>(entry_);
    // No reply buffer, no callback window: the program wants neither reply
    // text nor a completion notice.
    const int code = static_cast<int>(mciSendString(command.c_str(), nullptr, 0, nullptr));
    if (code != 0) reportError(command, code);
    return code;
}

// The media-control interface knows one "cdaudio" device, the system's
// default drive; there is no path to choose.
std::unique_ptr<MediaControl> makePlatformMediaControl(const std::string& /*devicePath*/)
{
    return std::make_unique<WindowsMediaControl>();
}

} // namespace vp
