// A read-only COM stream over bytes it owns.
//
// Image decoders skip a segment by seeking ahead by the length the file gives,
// and a damaged file gives lengths that reach past its end. The system's
// stream over global memory then reads on beyond its block (under Wine it
// copies whatever lies there, and faults where nothing is mapped), so a
// damaged texture could end the program. Here a read never goes past the
// end: beyond it, a read gives no bytes and succeeds, as a file's would.
// Seeking past the end is allowed; a position before the start is refused.
// Clones share the bytes and keep their own position.
#pragma once
#include "platform/ComPtr.h"
#include <windows.h>
#include <objidl.h>
#include <vector>

// The stream takes the bytes over; E_OUTOFMEMORY when it cannot be made.
HRESULT CreateByteStream(CComPtr<IStream>& stream, std::vector<BYTE>&& bytes);
