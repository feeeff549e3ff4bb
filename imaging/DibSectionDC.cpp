#include "imaging/DibSectionDC.h"
#include "imaging/DibDraw.h"
#include "imaging/GdiPlusBitmap.h"
#include <algorithm>
#include <cstring>
#include <vector>

HDC CDibSectionDC::Select(HDC reference, const RECT& area, const boost::shared_ptr<CDibSection>& dib, bool made)
{
    m_area = area;
    m_dc.Reset(CreateCompatibleDC(reference));
    if (!m_dc)
        return nullptr;
    if (made) {
        HGDIOBJ previous = SelectObject(m_dc, dib->GetBitmap());
        if (previous && previous != HGDI_ERROR) {
            m_previous = previous;
            m_dib = dib;
        }
    }
    SetViewportOrgEx(m_dc, -area.left, -area.top, nullptr);
    return m_dc;
}

HDC CDibSectionDC::Create(HDC reference, const RECT& area, WORD bitCount, DWORD colorsUsed, DWORD compression)
{
    Destroy();
    boost::shared_ptr<CDibSection> dib(new CDibSection);
    const bool made = dib->Create(sizeof(BITMAPINFOHEADER), RectWidth(area), RectHeight(area), bitCount, colorsUsed,
                                  compression, 0) &&
                      dib->AllocBits();
    return Select(reference, area, dib, made);
}

HDC CDibSectionDC::CreateLike(HDC reference, const RECT& area, WORD bitCount, const BITMAPINFOHEADER* pattern)
{
    Destroy();
    boost::shared_ptr<CDibSection> dib(new CDibSection);
    const bool made = dib->CreateLike(RectWidth(area), RectHeight(area), bitCount, pattern) && dib->AllocBits();
    return Select(reference, area, dib, made);
}

HDC CDibSectionDC::CreateLikeHeader(HDC reference, const RECT& area, const BITMAPINFOHEADER* pattern)
{
    if (!pattern) {
        Destroy();
        return nullptr;
    }
    return CreateLike(reference, area, pattern->biBitCount, pattern);
}

HRESULT CDibSectionDC::EnsureArea(HDC reference, const RECT& area, WORD bitCount, DWORD colorsUsed,
                                  DWORD compression)
{
    if (m_dc && m_dib && m_dib->GetBitCount() == bitCount) {
        if (EqualRect(&area, &m_area))
            return S_FALSE;
        const int width = RectWidth(m_area), height = RectHeight(m_area);
        if (width >= RectWidth(area) && height >= RectHeight(area)) {
            SetViewportOrgEx(m_dc, -area.left, -area.top, nullptr);
            // The stored area stays the part of the space the bitmap covers, so
            // that rectangle fills clipped to it never leave the bitmap.
            m_area = {area.left, area.top, area.left + width, area.top + height};
            return S_OK;
        }
    }
    // A DC left with the stock bitmap would take the drawing and lose it: the
    // area is there only with its bitmap.
    return Create(reference, area, bitCount, colorsUsed, compression) && m_dib ? S_OK : E_FAIL;
}

bool CDibSectionDC::Attach(const boost::shared_ptr<CDibSection>& dib, int x, int y)
{
    if (m_dc && m_previous)
        SelectObject(m_dc, m_previous);
    m_previous = nullptr;
    if (!m_dc)
        m_dc.Reset(CreateCompatibleDC(nullptr));
    if (!m_dc)
        return false;
    m_dib = dib;
    int width = 0, height = 0;
    if (dib && dib->GetHeader()) {
        width = dib->GetWidth();
        height = dib->GetAbsHeight();
        if (dib->GetBitmap())
            m_previous = SelectObject(m_dc, dib->GetBitmap());
    }
    m_area = {x, y, x + width, y + height};
    SetViewportOrgEx(m_dc, -x, -y, nullptr);
    return true;
}

BOOL CDibSectionDC::Destroy()
{
    ReleaseDC();
    m_dib.reset();
    m_profile.reset();
    return TRUE;
}

void CDibSectionDC::Clear()
{
    if (m_dib && m_dib->IsValid())
        std::memset(m_dib->GetBits(), 0, m_dib->GetImageSize());
}

bool CDibSectionDC::ToBitmapRect(const RECT& rect, RECT& out) const
{
    if (!m_dib || !m_dib->IsValid())
        return false;
    out.left = std::max<LONG>(std::max(rect.left, m_area.left) - m_area.left, 0);
    out.top = std::max<LONG>(std::max(rect.top, m_area.top) - m_area.top, 0);
    out.right = std::min<LONG>(std::min(rect.right, m_area.right) - m_area.left, m_dib->GetWidth());
    out.bottom = std::min<LONG>(std::min(rect.bottom, m_area.bottom) - m_area.top, m_dib->GetAbsHeight());
    return out.left < out.right && out.top < out.bottom;
}

void CDibSectionDC::ClearRect(const RECT& rect)
{
    FillRectValue(rect, 0);
}

void CDibSectionDC::FillRectValue(const RECT& rect, uint32_t value)
{
    RECT r;
    if (m_dib && m_dib->GetBitCount() == 32 && ToBitmapRect(rect, r)) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(m_dib->GetImageRow(y));
            std::fill(row + r.left, row + r.right, value);
        }
    }
}

CColorProfilePtr CDibSectionDC::GetColorProfile()
{
    if (m_profile || !m_dc)
        return m_profile;
    std::vector<wchar_t> name(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(name.size());
    if (!GetICMProfileW(m_dc, &size, name.data())) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= name.size())
            return CColorProfilePtr();
        name.assign(size + 1, L'\0');
        if (!GetICMProfileW(m_dc, &size, name.data()))
            return CColorProfilePtr();
    }
    name.back() = L'\0';
    CColorProfilePtr profile(new CColorProfile);
    if (FAILED(profile->OpenFile(name.data())))
        return CColorProfilePtr();
    m_profile = profile;
    return m_profile;
}

bool DrawDibThroughGdiplus(HDC dc, const RECT& destination, const CDib& dib, const RECT& source, BYTE alpha,
                           int quality, bool transform, const CColorProfilePtr& from, const CColorProfilePtr& to)
{
    using namespace Gdiplus;
    const int direction = ScalingDirection(destination, source);
    boost::shared_ptr<Bitmap> image = BitmapFromDib(dib, true);
    if (!image)
        return false;
    RECT part = source;
    if (transform && direction >= 0) {
        boost::shared_ptr<Bitmap> converted;
        if (FAILED(TransformBitmapRect(from, image, part, to, converted)))
            return false;
        image = converted;
        part = RECT{0, 0, RectWidth(source), RectHeight(source)};
    }
    if (direction != 0) {
        const int width = RectWidth(destination), height = RectHeight(destination);
        boost::shared_ptr<Bitmap> scaled(new Bitmap(width, height, PixelFormat32bppARGB));
        RECT whole = {0, 0, width, height};
        if (!scaled->IsValid() ||
            !DrawImageRectRectI(image.get(), part, scaled.get(), whole, GetInterpolationForQuality(quality, direction)))
            return false;
        image = scaled;
        part = whole;
    }
    if (transform && direction < 0) {
        boost::shared_ptr<Bitmap> converted;
        if (FAILED(TransformBitmapRect(from, image, part, to, converted)))
            return false;
        image = converted;
    }
    boost::shared_ptr<ImageAttributes> attributes;
    if (!MakeAlphaAttributes(alpha, attributes))
        return false;
    Graphics graphics(dc);
    if (!graphics.IsValid())
        return false;
    Rect target(destination.left, destination.top, RectWidth(destination), RectHeight(destination));
    return graphics.DrawImage(*image, target, part.left, part.top, RectWidth(part), RectHeight(part), UnitPixel,
                              attributes.get()) == Ok;
}

bool CDibSectionDC::DrawDibWithProfile(const RECT& destination, const CDib& dib, const RECT& source, BYTE alpha,
                                       int quality)
{
    if (!m_dc || !m_dib || !m_dib->IsValid() || !dib.IsValid())
        return false;
    if (RectWidth(destination) == 0 || RectHeight(destination) == 0 || RectWidth(source) == 0 ||
        RectHeight(source) == 0 || alpha == 0)
        return true;
    CColorProfilePtr dcProfile, dibProfile;
    bool transform = false;
    if (::SetICMMode(m_dc, ICM_QUERY) == ICM_ON) {
        dcProfile = GetColorProfile();
        if (dib.GetProfileData() && dib.GetProfileSize()) {
            dibProfile.reset(new CColorProfile);
            // An embedded profile that cannot be read is taken for sRGB.
            if (FAILED(dibProfile->OpenMemory(dib.GetProfileData(), dib.GetProfileSize())))
                dibProfile.reset();
        }
        transform = ColorTransformNeeded(ICM_ON, dcProfile, dibProfile);
    }
    return DrawDibThroughGdiplus(m_dc, destination, dib, source, alpha, quality, transform, dibProfile, dcProfile);
}
