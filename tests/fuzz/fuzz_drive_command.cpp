// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the drive command dispatcher with a recording backend. The
// input is split into a verb and an argument; a flag byte also decides whether
// the backend answers with an error code or cannot be reached at all. Only
// "opn" and "cls", in any mix of letter case, may reach the backend, and then
// only as the two exact command strings; only "msg" may show a box; an
// unreachable backend may surface only as the run-time error, and only for
// the two tray verbs.

#include "drive/module1.h"
#include "runtime/runtime_error.h"
#include "tests/support/recording_media_control.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void fault(const char* what, std::string_view verb)
{
    std::fprintf(stderr, "dispatcher fault: %s (verb of %zu bytes)\n", what, verb.size());
    std::abort();
}

// The verb table, written independently of the dispatcher: three bytes, each
// equal to the table's letter or its ASCII capital.
bool sameVerb(std::string_view verb, const char* word)
{
    if (verb.size() != 3) return false;
    for (std::size_t i = 0; i < 3; ++i)
        if (verb[i] != word[i] && verb[i] != word[i] - ('a' - 'A')) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    // Byte 0: low 3 bits = verb length (0..7), bit 3 = unreachable backend,
    // bits 4..7 = the error code the backend answers with.
    const std::uint8_t flags = data[0];
    const std::size_t verbLength = flags & 7u;
    const bool unreachable = (flags & 8u) != 0;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t rest = size - 1;
    const std::string_view verb(bytes, verbLength < rest ? verbLength : rest);
    const std::string_view argument(bytes + verb.size(), rest - verb.size());

    static const vp::ErrorCode missingLibrary = vp::ErrorCode::DllNotFound;
    auto recorder = std::make_shared<vp::RecordingMediaControl>();
    recorder->result = flags >> 4;
    if (unreachable) recorder->failWith = &missingLibrary;
    vp::Module1::setMediaControl(recorder);

    std::vector<std::pair<std::string, std::string>> boxes;
    vp::Module1::setInformationBox([&boxes](const std::string& text, const std::string& title) {
        boxes.emplace_back(text, title);
    });

    const bool opens = sameVerb(verb, "opn");
    const bool closes = sameVerb(verb, "cls");
    const bool message = sameVerb(verb, "msg");

    bool threw = false;
    try {
        vp::Module1::DriveCommand(verb, argument);
    } catch (const vp::RuntimeError& error) {
        threw = true;
        if (error.code() != vp::ErrorCode::DllNotFound) fault("run-time error with a foreign code", verb);
    } catch (...) {
        fault("an exception that is not the run-time error", verb);
    }

    if (threw != (unreachable && (opens || closes))) fault("run-time error where none belongs, or none where one does", verb);

    std::vector<std::string> expectedCommands;
    if (!unreachable && opens) expectedCommands.emplace_back("set cdaudio door open");
    if (!unreachable && closes) expectedCommands.emplace_back("set cdaudio door closed");
    if (recorder->commands != expectedCommands) fault("backend got the wrong commands", verb);

    if (message) {
        if (boxes.size() != 1 || boxes[0].first != argument || boxes[0].second != "Information")
            fault("msg did not show exactly its argument under \"Information\"", verb);
    } else if (!boxes.empty()) {
        fault("a box for a verb other than msg", verb);
    }

    vp::Module1::setInformationBox(nullptr);
    vp::Module1::setMediaControl(nullptr);
    return 0;
}
