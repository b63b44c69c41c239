// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drive layer's Windows backend against a real implementation of the
// media-control string interface (Wine's winmm), run by run_wine_test.py
// with WINEDEBUG=+mci.
//
// Every step is framed by "VP-STEP begin NAME" / "VP-STEP end NAME" lines on
// standard error, the stream Wine writes its trace to, so the host script
// can tell which command strings reached mciSendString during which step.
// Checks that only this process can make print "VP-CHECK ok|FAIL ..."; the
// exit code is the number of failed checks.
//
//   wine_probe.exe                 all the steps below
//   wine_probe.exe --plain-load    where a plain LoadLibraryA("winmm.dll")
//                                  finds the library (the host script's
//                                  control for the planted-DLL check)

#include "drive/drive_result.h"
#include "drive/media_control.h"
#include "drive/module1.h"
#include "drive/windows_media_control.h"
#include "runtime/runtime_error.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

int failures = 0;

void line(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void check(bool ok, const std::string& what)
{
    line(std::string("VP-CHECK ") + (ok ? "ok   " : "FAIL ") + what);
    if (!ok) ++failures;
}

template <typename Body>
void step(const std::string& name, Body body)
{
    line("VP-STEP begin " + name);
    body();
    line("VP-STEP end " + name);
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string modulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length);
}

std::string systemDirectory()
{
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length);
}

std::string loadedWinmm()
{
    HMODULE module = GetModuleHandleA("winmm.dll");
    return module ? modulePath(module) : std::string("(not loaded)");
}

// Runs a tray verb that must raise the run-time error with `code`.
void expectRuntimeError(const char* verb, vp::ErrorCode code, const std::string& what)
{
    try {
        vp::Module1::DriveCommand(verb, "");
        check(false, what + ": DriveCommand(\"" + verb + "\") raised nothing");
    } catch (const vp::RuntimeError& error) {
        check(error.code() == code, what + ": DriveCommand(\"" + verb + "\") raised run-time error " +
                                        std::to_string(static_cast<int>(error.code())) + " (" +
                                        error.what() + "), expected " +
                                        std::to_string(static_cast<int>(code)));
    }
}

int plainLoad()
{
    HMODULE module = LoadLibraryA("winmm.dll");
    line("VP-PLAIN-LOAD " + (module ? modulePath(module) : std::string("(failed)")));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--plain-load") return plainLoad();

    std::vector<std::string> boxes;
    vp::Module1::setInformationBox(
        [&boxes](const std::string& text, const std::string& title) { boxes.push_back(title + ": " + text); });

    const std::string expectedWinmm = lower(systemDirectory() + "\\winmm.dll");
    line("VP-INFO system directory " + systemDirectory());

    // 1. The platform's own backend, created by DriveCommand itself exactly
    //    as in the program.
    check(GetModuleHandleA("winmm.dll") == nullptr, "winmm.dll is not loaded before the first tray action");
    step("msg-first", [&] { vp::Module1::DriveCommand("msg", "Hei"); });
    check(GetModuleHandleA("winmm.dll") == nullptr, "the msg verb does not load winmm.dll");
    check(boxes == std::vector<std::string>{"Information: Hei"}, "msg shows its argument titled Information");
    step("opn", [] { vp::Module1::DriveCommand("opn", ""); });
    check(lower(loadedWinmm()) == expectedWinmm,
          "winmm.dll came from the system directory: " + loadedWinmm());
    step("cls", [] { vp::Module1::DriveCommand("cls", ""); });
    step("CLS", [] { vp::Module1::DriveCommand("CLS", ""); });
    step("Opn", [] { vp::Module1::DriveCommand("Opn", ""); });
    step("unknown", [] { vp::Module1::DriveCommand("xyz", "opn"); });
    step("msg", [] { vp::Module1::DriveCommand("msg", "set cdaudio door open"); });
    check(boxes.size() == 2, "the second msg showed one more box");

    // 2. A backend the test can look into: one bind however many commands.
    auto control = std::make_shared<vp::WindowsMediaControl>();
    vp::Module1::setMediaControl(control);
    check(control->bindCount() == 0, "a new backend has bound nothing");
    step("bind-opn", [] { vp::Module1::DriveCommand("opn", ""); });
    check(control->bindCount() == 1, "the first command binds the entry point once");
    step("bind-cls", [] { vp::Module1::DriveCommand("cls", ""); });
    step("bind-opn-again", [] { vp::Module1::DriveCommand("OPN", ""); });
    check(control->bindCount() == 1,
          "later commands reuse the entry point (bindCount " + std::to_string(control->bindCount()) + ")");

    // The error code Wine returns is the drive's business; DriveCommand above
    // returned normally all the same. Ask for it here to show what it was.
    // The failure is reported once, with the code and the interface's own words.
    step("error-code", [&] {
        std::vector<vp::DriveFailure> said;
        vp::setFailureSink([&said](const vp::DriveFailure& failure) { said.push_back(failure); });
        const int code = control->send(vp::kDoorOpenCommand);
        vp::setFailureSink(nullptr);
        line("VP-INFO mciSendStringA returned " + std::to_string(code) + " for \"" + vp::kDoorOpenCommand + "\"");
        check(code != 0, "Wine reports an error for the door of a drive it does not have");
        check(said.size() == 1 && said[0].kind == vp::FailureKind::MediaControlError && said[0].device == "cdaudio" &&
                  said[0].error == code && !said[0].toolMessage.empty(),
              "one failure naming the error and the interface's words: " + std::to_string(said.size()));
        if (!said.empty()) line("VP-INFO failure: " + said[0].toolMessage);
    });

    // 3. What cannot be bound raises the run-time error, and nothing reaches
    //    the media-control interface.
    auto noEntry = std::make_shared<vp::WindowsMediaControl>("winmm.dll", "vpNoSuchEntryPoint");
    vp::Module1::setMediaControl(noEntry);
    step("missing-entry-point", [&] {
        expectRuntimeError("opn", vp::ErrorCode::EntryPointNotFound, "missing entry point");
        expectRuntimeError("cls", vp::ErrorCode::EntryPointNotFound, "missing entry point, second try");
        vp::Module1::DriveCommand("msg", "still fine");
        vp::Module1::DriveCommand("xyz", "");
    });
    check(noEntry->bindCount() == 2, "a failed bind is tried again on the next command");

    auto noLibrary = std::make_shared<vp::WindowsMediaControl>("vp-no-such-library.dll");
    vp::Module1::setMediaControl(noLibrary);
    step("missing-library", [&] {
        expectRuntimeError("opn", vp::ErrorCode::DllNotFound, "missing library");
        expectRuntimeError("Cls", vp::ErrorCode::DllNotFound, "missing library, second try");
    });

    // A library that exists only beside the program, never in the system
    // directory, is not found either.
    auto besideOnly = std::make_shared<vp::WindowsMediaControl>("vp-planted-only.dll");
    vp::Module1::setMediaControl(besideOnly);
    step("beside-only-library", [&] {
        expectRuntimeError("opn", vp::ErrorCode::DllNotFound, "library only beside the program");
    });

    vp::Module1::setMediaControl(nullptr);
    line("VP-DONE failures=" + std::to_string(failures));
    return failures;
}
