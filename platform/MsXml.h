// The MSXML document object model. mingw's msxml2.h redefines
// CLSID_DOMDocument to a symbol no library defines and there is no MSXML uuid
// library, so the program has its own constants.
#pragma once
#include <windows.h>
#include <msxml2.h>

// DOMDocument {2933BF90-7B36-11D2-B20E-00C04F983E60} (MSXML 3.0)
const CLSID kClsidDOMDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// IXMLDOMDocument {2933BF81-7B36-11D2-B20E-00C04F983E60}
const IID kIidIXMLDOMDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// IXMLDOMDocument2 {2933BF95-7B36-11D2-B20E-00C04F983E60}: setProperty
const IID kIidIXMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
