#include "outline/FontNames.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include "resources/strings_outline.h"
#include <shlwapi.h>

namespace {

const UINT kFirstWeightName = IDS_WEIGHT_THIN;

// Built once, on first use, under the runtime's guard of function statics,
// so the font list and the workers may ask from any thread.
const std::vector<std::pair<int, std::wstring> >& WeightNames()
{
    static const std::vector<std::pair<int, std::wstring> > names = [] {
        std::vector<std::pair<int, std::wstring> > list;
        for (UINT id = kFirstWeightName; id < kFirstWeightName + 9; ++id)
            list.push_back(std::make_pair(static_cast<int>(id - kFirstWeightName), LoadResourceString(id)));
        return list;
    }();
    return names;
}

template <class T>
int CompareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

void InitFontWeightNames()
{
    WeightNames();
}

const std::vector<std::pair<int, std::wstring> >& GetFontWeightNames()
{
    return WeightNames();
}

std::wstring FormatFontWeight(int weight)
{
    const int index = weight / 100 - 1;
    if (weight == (weight / 100) * 100 && index >= 0 && index <= 8) {
        for (const auto& entry : WeightNames())
            if (entry.first == index)
                return entry.second;
        return std::wstring();
    }
    return std::to_wstring(weight);
}

bool StrLessLogical(const std::wstring& a, const std::wstring& b)
{
    return ::StrCmpLogicalW(a.c_str(), b.c_str()) < 0;
}

bool StrEqual(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && a.compare(b) == 0;
}

std::wstring GetFaceName(const LOGFONTW& lf)
{
    size_t n = 0;
    while (n < LF_FACESIZE && lf.lfFaceName[n] != L'\0')
        ++n;
    return std::wstring(lf.lfFaceName, n);
}

bool IsVerticalFace(const std::wstring& face) { return !face.empty() && face[0] == L'@'; }

bool IsVerticalFace(const LOGFONTW& font) { return font.lfFaceName[0] == L'@'; }

std::wstring StripVerticalPrefix(const std::wstring& face) { return IsVerticalFace(face) ? face.substr(1) : face; }

namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) noexcept
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

} // namespace

// The enumeration decides whether a family answers to the name: it knows
// every name of a family, and it is what the tasks' font family is found by.
// It reports the name as it was asked, though, so the listed one is the
// family name of the font the mapper makes from it (which, a family of the
// character set answering, is that family's).
std::wstring ListedFaceName(const std::wstring& face, BYTE charSet)
{
    const std::wstring name = StripVerticalPrefix(face);
    if (name.empty() || face.size() >= LF_FACESIZE)
        return std::wstring();
    LOGFONTW lf = {};
    lf.lfCharSet = charSet;
    name.copy(lf.lfFaceName, name.size());
    CScreenDC dc;
    bool found = false;
    ::EnumFontFamiliesExW(dc, &lf, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    if (!found)
        return std::wstring();
    lf.lfHeight = -16;
    CFontHandle font(::CreateFontIndirectW(&lf));
    CSelectObjectGuard select(dc, font);
    const UINT size = font.Get() && !select.Failed() ? ::GetOutlineTextMetricsW(dc, 0, nullptr) : 0;
    if (size < sizeof(OUTLINETEXTMETRICW))
        return std::wstring();
    std::vector<BYTE> buffer(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (!::GetOutlineTextMetricsW(dc, size, metrics))
        return std::wstring();
    const size_t at = reinterpret_cast<size_t>(metrics->otmpFamilyName);
    if (at < sizeof(OUTLINETEXTMETRICW) || at >= size)
        return std::wstring();
    const wchar_t* family = reinterpret_cast<const wchar_t*>(buffer.data() + at);
    const std::wstring listed = StripVerticalPrefix(std::wstring(family, wcsnlen(family, (size - at) / sizeof(wchar_t))));
    return listed.empty() ? listed : (IsVerticalFace(face) ? L"@" : L"") + listed;
}

int CompareLogFonts(const LOGFONTW& a, const LOGFONTW& b)
{
    const int faces = ::StrCmpLogicalW(GetFaceName(a).c_str(), GetFaceName(b).c_str());
    if (faces != 0)
        return faces;
    int c = CompareValues<BYTE>(a.lfStrikeOut, b.lfStrikeOut);
    if (c == 0)
        c = CompareValues<BYTE>(a.lfUnderline, b.lfUnderline);
    if (c == 0)
        c = CompareValues<BYTE>(a.lfItalic, b.lfItalic);
    if (c == 0)
        c = CompareValues<LONG>(a.lfWeight, b.lfWeight);
    if (c == 0)
        c = CompareValues<LONG>(a.lfHeight, b.lfHeight);
    return c;
}

unsigned FontMatchScore(const LOGFONTW& candidate, const LOGFONTW& wanted, const std::wstring& wantedFace,
                        bool wantedVertical)
{
    const bool vertical = IsVerticalFace(candidate);
    const std::wstring face = StripVerticalPrefix(GetFaceName(candidate));
    if (CompareNoCase(face, wantedFace) != 0)
        return 0;
    unsigned score = vertical == wantedVertical ? 200 : 100;
    score += candidate.lfStrikeOut == wanted.lfStrikeOut;
    score += candidate.lfUnderline == wanted.lfUnderline;
    score += candidate.lfItalic == wanted.lfItalic;
    score += candidate.lfWeight == wanted.lfWeight;
    score += candidate.lfHeight == wanted.lfHeight;
    return score;
}
