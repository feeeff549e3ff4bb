// The texture in a paint button's face: a copy of the picture reduced to
// the detail a face of a few dozen pixels can show, and the face painted
// from it as the engine paints a layer, so that a picture of any size costs
// a face a few hundred kilobytes and a change of scale or offset no decode.
#pragma once
#include "decoration/BorderingSetting.h"
#include "imaging/Dib.h"
#include <boost/shared_ptr.hpp>

// A face keeps at most this many pixels of its picture for each of its own.
const int kFaceDetail = 64;

// The picture reduced by area averaging to at most kFaceDetail pixels for
// each of the face's (the picture itself, copied, when it has no more);
// 32-bit. E_OUTOFMEMORY when the copy cannot be made.
HRESULT ReducePictureForFace(const CDib& picture, SIZE face, boost::shared_ptr<CDib>& kept);
// The texture over the whole 32-bit face, tiled as the paint's fit, rates,
// mirroring and offsets lay the picture of `original` size, from its reduced copy.
void PaintFaceTexture(CDib& face, const CDib& kept, SIZE original, const CTextureSetting& texture);
