// The guard around the program's start-up and run: whatever escapes it (a
// constructor, a missing text, the imaging factory) is shown through the
// sink and the program ends with exit code 1, instead of the runtime ending
// it without a word.
#pragma once
#include <windows.h>
#include <functional>

class CMsg;

// The result of `run`, or 1 after showing what it threw.
int RunGuarded(const std::function<int()>& run, CMsg& sink);

// Start-up calls that report failure by a status instead of throwing: each
// check throws the program's error for a failed one, which the guard shows.
// OleInitialize: S_OK, or S_FALSE when the thread had it already.
void CheckOleStarted(HRESULT result);
// GdiplusStartup: Ok (0).
void CheckGdiplusStarted(int status);
// The main window's creation; the reason is the thread's last error.
void CheckMainWindowCreated(HWND window);
