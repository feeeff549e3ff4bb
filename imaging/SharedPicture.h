// Pictures decoded from files for several users at once: the preview's and
// the save's tasks draw a texture that the paint buttons show too, and a
// picture of a hundred megapixels fits the 32-bit address space once, not
// twice. So one picture at a time is held through these loads in the
// process: whoever asks for the file held (unchanged since it was read)
// shares it, or waits for its decode when one runs; whoever asks for another
// file waits until the last holder has let go. A holder must not ask again
// while it holds one (it would wait for itself).
#pragma once
#include "imaging/Dib.h"
#include <boost/shared_ptr.hpp>
#include <string>

// LoadDibFromFile's results; the picture is shared, never to be changed.
HRESULT LoadSharedDib(boost::shared_ptr<const CDib>& dib, const std::wstring& path);
// A picture made from a shared one (turned, say) that counts as held as long
// as it lives, so that taking it over before letting the shared one go
// keeps every other picture out meanwhile.
boost::shared_ptr<const CDib> HoldAsSharedDib(const boost::shared_ptr<CDib>& dib);
