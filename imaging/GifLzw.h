// GIF frames whose LZW data defer the clear code, coded again for the
// system's decoder.
#pragma once
#include "platform/ComPtr.h"
#include <windows.h>
#include <objidl.h>

// A GIF may go on coding with a full table of 4,096 codes and send the clear
// code later, or never (a "deferred clear code"). The decoder that GDI+ and
// the imaging component share under Wine then redefines the table's last
// code with every further code, so it draws wrong pixels or calls the file
// damaged.
//
// When a frame of the GIF in the stream defers its clear code, the stream is
// replaced by a byte stream of the same file with each such frame's data
// coded again, a clear code sent before the table fills, every other byte as
// it was. Any other stream is left as it is, and so is a GIF whose deferring
// frame is cut short or no LZW data (the decoder judges it). E_OUTOFMEMORY
// when the new bytes cannot be held. The stream is at its start.
HRESULT UndeferGifClearCodes(CComPtr<IStream>& stream);
