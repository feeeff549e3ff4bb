// MLang's code-page detection and conversion. mingw's import libraries define
// neither the class id nor IID_IMultiLanguage2, so the program has its own.
#pragma once
#include <windows.h>
#include <mlang.h>

// CMultiLanguage {275C23E2-3747-11D0-9FEA-00AA003F8646}
const CLSID kClsidCMultiLanguage = {0x275C23E2, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};
// IMultiLanguage2 {DCCFC164-2B38-11D2-B7EC-00C04F8F5D9A}
const IID kIidIMultiLanguage2 = {0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};
