// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for winmm.dll planted beside the test program, as an attacker
// would plant one beside an application. It is also copied under a name that
// exists nowhere else. The backend loads from the system directory only, so
// neither copy may ever be loaded; if one is, it says so on standard error.

#define WIN32_LEAN_AND_MEAN // keeps mmsystem.h and its own mciSendStringA out
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        std::fprintf(stderr, "VP-PLANTED loaded\n");
        std::fflush(stderr);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI mciSendStringA(LPCSTR command, LPSTR, UINT, HWND)
{
    std::fprintf(stderr, "VP-PLANTED mciSendStringA \"%s\"\n", command ? command : "(null)");
    std::fflush(stderr);
    return 0;
}
