#include "app/FontChoices.h"
#include "app/FontCollection.h"
#include "outline/FontNames.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include <shlwapi.h>
#include <algorithm>

namespace {

// Nothing may cross GDI's enumeration: a failure to grow a list (out of
// memory) ends the enumeration with what was found so far.
int CALLBACK AddCharSet(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM data) noexcept
{
    try {
        auto* sets = reinterpret_cast<std::vector<CCharSet>*>(data);
        const ENUMLOGFONTEXW* ex = reinterpret_cast<const ENUMLOGFONTEXW*>(lf);
        CCharSet set;
        set.Vertical = IsVerticalFace(*lf);
        set.CharSet = lf->lfCharSet;
        if (std::find(sets->begin(), sets->end(), set) != sets->end())
            return 1;
        set.Name = (set.Vertical ? L"@" : L"") + std::wstring(ex->elfScript);
        auto before = std::find_if(sets->begin(), sets->end(), [&](const CCharSet& s) {
            return static_cast<int>(s.CharSet) > static_cast<int>(set.CharSet) ||
                   (s.CharSet == set.CharSet && s.Vertical && !set.Vertical);
        });
        sets->insert(before, set);
        return 1;
    } catch (...) {
        return 0;
    }
}

struct CFaceEnum {
    bool vertical;
    std::vector<std::wstring>* faces;
};

int CALLBACK AddFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM data) noexcept
{
    try {
        const CFaceEnum* e = reinterpret_cast<const CFaceEnum*>(data);
        if (type & RASTER_FONTTYPE)
            return 1;
        const std::wstring face = lf->lfFaceName;
        if (IsVerticalFace(face) != e->vertical)
            return 1;
        // The order ignores case, the names' equality does not: a name is
        // looked for in its whole place of the order.
        InsertOrderedUnique(
            *e->faces, face,
            [](const std::wstring& a, const std::wstring& b) { return ::StrCmpLogicalW(a.c_str(), b.c_str()); },
            [](const std::wstring& a, const std::wstring& b) { return a == b; });
        return 1;
    } catch (...) {
        return 0;
    }
}

} // namespace

void CFontChoices::EnumerateCharSets()
{
    m_charSets.clear();
    CScreenDC dc;
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(dc, &lf, AddCharSet, reinterpret_cast<LPARAM>(&m_charSets), 0);
}

int CFontChoices::IndexOfCharSet(UINT charSet, bool vertical) const
{
    for (size_t i = 0; i < m_charSets.size(); ++i)
        if (m_charSets[i].CharSet == charSet && m_charSets[i].Vertical == vertical)
            return static_cast<int>(i);
    return -1;
}

void CFontChoices::EnumerateFaces(UINT charSet, bool vertical)
{
    m_faces.clear();
    m_facesCharSet = charSet;
    CScreenDC dc;
    LOGFONTW lf = {};
    lf.lfCharSet = static_cast<BYTE>(charSet);
    CFaceEnum e = {vertical, &m_faces};
    ::EnumFontFamiliesExW(dc, &lf, AddFace, reinterpret_cast<LPARAM>(&e), 0);
    const auto refused = [](const std::wstring& face) { return !CanDrawFace(face); };
    m_faces.erase(std::remove_if(m_faces.begin(), m_faces.end(), refused), m_faces.end());
}

int CFontChoices::IndexOfFace(const std::wstring& face) const
{
    auto at = std::find(m_faces.begin(), m_faces.end(), face);
    // The font engine finds a face whatever its letters' case and by its
    // English name too, which the list (localised) may not show: a stored
    // name of either kind is that face.
    const auto noCase = [&](const std::wstring& name) {
        return std::find_if(m_faces.begin(), m_faces.end(), [&](const std::wstring& f) { return EqualsNoCase(f, name); });
    };
    if (at == m_faces.end())
        at = noCase(face);
    if (at == m_faces.end()) {
        const std::wstring listed = ListedFaceName(face, static_cast<BYTE>(m_facesCharSet));
        if (!listed.empty())
            at = noCase(listed);
    }
    return at == m_faces.end() ? -1 : static_cast<int>(at - m_faces.begin());
}

void CFontChoices::EnumerateStyles(UINT charSet, const std::wstring& face)
{
    m_styles.clear();
    CScreenDC dc;
    EnumFontStyles(m_styles, dc, static_cast<BYTE>(charSet), face.c_str());
}

int CFontChoices::IndexOfStyle(const CFontSetting& font) const
{
    LOGFONTW lf;
    font.GetLogFontStyle(lf);
    for (size_t i = 0; i < m_styles.size(); ++i)
        if (m_styles[i]->IsSameStyle(lf))
            return static_cast<int>(i);
    return -1;
}
