// Pictures decoded from files for several users at once: the preview's and
// the save's tasks draw a texture that the paint buttons show too, and a
// picture of a hundred megapixels fits the 32-bit address space once, not
// twice. So one picture at a time is held through these loads in the
// process: whoever asks for the file held (unchanged since it was read,
// turned the same way) shares it, or waits for its decode when one runs; whoever asks for another
// file waits until the last holder has let go. A holder must not ask again
// while it holds one (it would wait for itself).
#pragma once
#include "imaging/Dib.h"
#include <boost/shared_ptr.hpp>
#include <string>

// LoadDibFromFile's results, turned as it turns them: the preview and a save
// of vertical text share one turned picture, where each turned a copy beside
// the picture they shared. The picture is shared, never to be changed.
HRESULT LoadSharedDib(boost::shared_ptr<const CDib>& dib, const std::wstring& path, bool turned = false);
