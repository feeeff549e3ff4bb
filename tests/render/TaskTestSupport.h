// Settings and image probes shared by the task tests.
#pragma once
#include "render/KanteloTask.h"
#include "decoration/NamedEffects.h"
#include "decoration/Setting.h"
#include "tests/common/TestSupport.h"
#include <boost/make_shared.hpp>
#include <string>

// A snapshot with one font and no decoration switched on.
inline boost::shared_ptr<CSetting> MakeSetting(const wchar_t* face, UINT charSet, int size)
{
    boost::shared_ptr<CSetting> s = boost::make_shared<CSetting>();
    s->FontSetting.FontFace = face;
    s->FontSetting.CharSet = charSet;
    s->FontSetting.Size = size;
    s->FontSetting.Alpha = 100;
    s->PaintSetting.Type = PaintType::MONO;
    s->PaintSetting.Color = RGB(224, 48, 48);
    for (size_t i = 0; i < s->UseBorderings.size(); ++i)
        s->UseBorderings[i] = 0;
    s->Transparent = true;
    s->TrimType = 0;
    return s;
}

// The decoration rows of a first start: thin white, red, white, glow, shadow.
inline void UseFirstStartPresets(CSetting& s)
{
    const int ids[] = {IDS_PRESET_WHITE_THIN, IDS_PRESET_RED, IDS_PRESET_WHITE, IDS_PRESET_GLOW, IDS_PRESET_SHADOW};
    for (int i = 0; i < 5; ++i) {
        s.Borderings[i] = *GetNamedEffects().FindById(ids[i]);
        s.UseBorderings[i] = 1;
    }
}

inline boost::shared_ptr<CKanteloTask> MakeTask(const boost::shared_ptr<CSetting>& s, const std::wstring& text)
{
    boost::shared_ptr<CKanteloTask> t(new CKanteloTask);
    t->Init(nullptr);
    t->No = 0;
    t->SetSetting(s);
    t->Text = text;
    return t;
}

inline const BYTE* PixelAt(const CDib& d, int x, int y) { return d.GetImageRow(y) + x * 4; }
inline BYTE AlphaAt(const CDib& d, int x, int y) { return PixelAt(d, x, y)[3]; }

struct CAlphaStats {
    RECT box = {0, 0, 0, 0};  // pixels with alpha > 0; empty when none
    int opaque = 0;
    int partial = 0;  // 0 < alpha < 255: the anti-aliased edge
};

inline CAlphaStats MeasureAlpha(const CDib& d)
{
    CAlphaStats s;
    s.box = RECT{d.GetWidth(), d.GetAbsHeight(), 0, 0};
    for (int y = 0; y < d.GetAbsHeight(); ++y)
        for (int x = 0; x < d.GetWidth(); ++x) {
            BYTE a = AlphaAt(d, x, y);
            if (a == 0)
                continue;
            s.box.left = std::min<LONG>(s.box.left, x);
            s.box.top = std::min<LONG>(s.box.top, y);
            s.box.right = std::max<LONG>(s.box.right, x + 1);
            s.box.bottom = std::max<LONG>(s.box.bottom, y + 1);
            if (a == 255)
                ++s.opaque;
            else
                ++s.partial;
        }
    if (s.box.left >= s.box.right)
        s.box = RECT{0, 0, 0, 0};
    return s;
}

// A 32-bit BMP of the image (alpha kept), for a person to look at.
inline bool WriteDibAsBmp(const CDib& d, const std::wstring& path)
{
    BITMAPINFOHEADER h = *d.GetHeader();
    h.biSize = sizeof h;
    h.biHeight = d.GetAbsHeight();  // bottom-up rows follow
    h.biCompression = BI_RGB;
    h.biClrUsed = 0;
    const int stride = d.GetWidth() * 4;
    std::string bytes;
    BITMAPFILEHEADER f = {};
    f.bfType = 0x4D42;
    f.bfOffBits = sizeof f + sizeof h;
    f.bfSize = f.bfOffBits + stride * h.biHeight;
    bytes.append(reinterpret_cast<const char*>(&f), sizeof f);
    bytes.append(reinterpret_cast<const char*>(&h), sizeof h);
    for (int y = h.biHeight - 1; y >= 0; --y)
        bytes.append(reinterpret_cast<const char*>(d.GetImageRow(y)), stride);
    return WriteFileBytes(path, bytes);
}
