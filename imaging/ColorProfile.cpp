#include "imaging/ColorProfile.h"
#include "foundation/ResourceString.h"
#include "imaging/GdiPlusBitmap.h"
#include "imaging/Img.h"
#include "foundation/File.h"
#include "foundation/PathUtil.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include "resources/strings_drawing.h"
#include <cstring>
#include <ostream>

namespace {

// ICM calls that fail without setting a last error must still read as failures.
HRESULT LastErrorOrFail() { return FailedCallResult(); }

const DWORD kLogicalColorSpaceSrgb = 0x73524742;  // LCS_sRGB, spelt as a multi-character literal in the headers

const wchar_t* const kRgbPreferred[] = {L"sRGB Color Space Profile.icm"};
const wchar_t* const kCmykPreferred[] = {L"JapanStandard.icc", L"RSWOP.icm"};

CProfileCache& RgbCache()
{
    static CProfileCache cache(0, kColorSpaceRgb);
    return cache;
}
CProfileCache& CmykCache()
{
    static CProfileCache cache(0, kColorSpaceCmyk);
    return cache;
}
CProfileCache& DisplayCache()
{
    static CProfileCache cache(1, kColorSpaceRgb);
    return cache;
}

CColorProfilePtr g_srgbProfile;

} // namespace

std::wstring SignatureText(DWORD signature)
{
    std::wstring text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text.push_back(static_cast<wchar_t>((signature >> shift) & 0xFF));
    return text;
}

DWORD MakeDwordBE(const BYTE* data, size_t size)
{
    if (data == nullptr || size <= 11)
        ThrowBufferOverrun(L"MakeDwordBE");
    return (DWORD(data[8]) << 24) | (DWORD(data[9]) << 16) | (DWORD(data[10]) << 8) | DWORD(data[11]);
}

COLORREF ColorToColorref(const COLOR& color)
{
    return RGB(color.rgb.red >> 8, color.rgb.green >> 8, color.rgb.blue >> 8);
}

HRESULT ParseTextDescription(const std::string& data, std::wstring& text)
{
    if (data.size() <= 12 || std::memcmp(data.data(), "desc\0", 5) != 0)
        return E_FAIL;
    DWORD count = MakeDwordBE(reinterpret_cast<const BYTE*>(data.data()), data.size());
    // The count comes from an untrusted file: it must name at least the NUL and
    // stay inside the element, so that no arithmetic on it can wrap.
    if (count < 1 || count > data.size() - 12)
        return E_FAIL;
    text.clear();
    text.reserve(count - 1);
    for (DWORD i = 0; i < count - 1; ++i)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(data[12 + i])));
    return S_OK;
}

// ---- CColorProfile ----

CColorProfile::CColorProfile() { std::memset(&m_header, 0, sizeof m_header); }

CColorProfile::~CColorProfile() { Close(); }

HRESULT CColorProfile::OpenMemory(const BYTE* data, DWORD size)
{
    Close();
    if (data == nullptr || size == 0)
        return E_FAIL;
    m_bytes.assign(data, data + size);
    return OpenHeldBytes();
}

HRESULT CColorProfile::OpenFile(const std::wstring& name)
{
    Close();
    std::wstring path = name;
    if (name.find(L'\\') == std::wstring::npos) {
        std::wstring dir;
        HRESULT hr = GetColorDirectoryPath(dir);
        if (FAILED(hr))
            return hr;
        path = PathJoined(dir, name);
    }
    CFile file;
    HRESULT hr = file.Create(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (SUCCEEDED(hr))
        hr = file.TryReadAll(m_bytes, 0);
    if (FAILED(hr)) {
        m_bytes.clear();
        return hr;
    }
    if (m_bytes.empty())
        return E_FAIL;
    return OpenHeldBytes();
}

HRESULT CColorProfile::OpenHeldBytes()
{
    PROFILE source;
    source.dwType = PROFILE_MEMBUFFER;
    source.pProfileData = m_bytes.data();
    source.cbDataSize = static_cast<DWORD>(m_bytes.size());
    m_profile = OpenColorProfileW(&source, PROFILE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (m_profile == nullptr)
        return LastErrorOrFail();
    std::memset(&m_header, 0, sizeof m_header);
    if (!GetColorProfileHeader(m_profile, &m_header))
        return LastErrorOrFail();
    std::wstring text;
    HRESULT hr = GetDescription(text);
    if (FAILED(hr))
        return hr;
    m_name = text;
    return S_OK;
}

HRESULT CColorProfile::Close()
{
    m_bytes.clear();
    if (m_profile == nullptr)
        return S_FALSE;
    HPROFILE profile = m_profile;
    m_profile = nullptr;
    return CloseColorProfile(profile) ? S_OK : LastErrorOrFail();
}

HRESULT CColorProfile::Assign(const CColorProfile& other)
{
    if (&other == this)
        return S_OK;
    Close();
    m_bytes = other.m_bytes;
    m_name = other.m_name;
    if (other.IsOpen())
        return OpenHeldBytes();
    m_bytes.clear();
    return S_OK;
}

boost::shared_ptr<CColorProfile> CColorProfile::Clone() const
{
    boost::shared_ptr<CColorProfile> copy(new CColorProfile);
    copy->Assign(*this);
    return copy;
}

HRESULT CColorProfile::GetElementCount(DWORD& count) const
{
    if (!m_profile)
        return E_FAIL;
    return GetCountColorProfileElements(m_profile, &count) ? S_OK : LastErrorOrFail();
}

HRESULT CColorProfile::GetElementTag(DWORD index, TAGTYPE& tag) const
{
    if (!m_profile)
        return E_FAIL;
    return GetColorProfileElementTag(m_profile, index, &tag) ? S_OK : LastErrorOrFail();
}

HRESULT CColorProfile::GetElement(TAGTYPE tag, std::string& bytes, bool& isReference) const
{
    if (!m_profile)
        return E_FAIL;
    DWORD size = 0;
    BOOL reference = FALSE;
    SetLastError(0);
    BOOL ok = GetColorProfileElement(m_profile, tag, 0, &size, nullptr, &reference);
    // Windows answers the size query with ERROR_INSUFFICIENT_BUFFER; Wine
    // leaves the last error 0 but still reports the size.
    if (ok || size == 0)
        return E_FAIL;
    DWORD error = GetLastError();
    if (error != 0 && error != ERROR_INSUFFICIENT_BUFFER)
        return HResultFromWin32(error);
    bytes.assign(size, '\0');
    if (!GetColorProfileElement(m_profile, tag, 0, &size, &bytes[0], &reference))
        return LastErrorOrFail();
    bytes.resize(size);
    isReference = reference != FALSE;
    return S_OK;
}

HRESULT CColorProfile::GetElementAt(DWORD index, std::string& bytes, bool& isReference) const
{
    TAGTYPE tag = 0;
    HRESULT hr = GetElementTag(index, tag);
    return FAILED(hr) ? hr : GetElement(tag, bytes, isReference);
}

HRESULT CColorProfile::GetElementAtZero(DWORD index, std::string& bytes, bool& isReference) const
{
    return GetElementAt(index + 1, bytes, isReference);
}

HRESULT CColorProfile::GetDescElement(std::string& bytes, bool& isReference) const
{
    return GetElement(kTagDesc, bytes, isReference);
}

HRESULT CColorProfile::GetDescription(std::wstring& text) const
{
    std::string data;
    bool reference = false;
    HRESULT hr = GetDescElement(data, reference);
    if (FAILED(hr))
        return hr;
    return ParseTextDescription(data, text);
}

int CColorProfile::CompareHeader(const CColorProfile& other) const
{
    return std::memcmp(&m_header, &other.m_header, sizeof m_header);
}

void CColorProfile::Dump(std::wostream& os) const
{
    os << L"Profile: " << m_name << L"\n";
    if (!m_profile) {
        os << L"m_hProfile == NULL\n";
        return;
    }
    os << L"CMM: " << SignatureText(m_header.phCMMType) << L", Class: " << SignatureText(m_header.phClass)
       << L", Platform: " << SignatureText(m_header.phPlatform) << L", ColorSpace: "
       << SignatureText(m_header.phDataColorSpace) << L", PCS: " << SignatureText(m_header.phConnectionSpace)
       << L"\n";
    DWORD count = 0;
    HRESULT hr = GetElementCount(count);
    if (FAILED(hr)) {
        os << L"GetCountElements Failed ! " << FormatStr(L"%08x", static_cast<unsigned>(hr)) << L"\n";
        return;
    }
    for (DWORD i = 1; i <= count; ++i) {
        TAGTYPE tag = 0;
        hr = GetElementTag(i, tag);
        if (FAILED(hr)) {
            os << L"GetElementTag Failed ! : " << FormatStr(L"%08x", static_cast<unsigned>(hr)) << L"\n";
            continue;
        }
        std::string data;
        bool reference = false;
        hr = GetElement(tag, data, reference);
        if (FAILED(hr)) {
            os << L"GetElement Failed ! : " << FormatStr(L"%08x", static_cast<unsigned>(hr)) << L"\n";
            continue;
        }
        os << i << L" " << SignatureText(tag) << L" " << data.size() << (reference ? L" *" : L"");
        std::wstring text;
        if (data.size() > 8 && std::memcmp(data.data(), "text", 4) == 0) {
            for (size_t k = 8; k < data.size() && data[k] != '\0'; ++k)
                text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(data[k])));
            os << L" " << text;
        } else if (SUCCEEDED(ParseTextDescription(data, text))) {
            os << L" " << text;
        }
        os << L"\n";
    }
}

CColorProfilePtr CColorProfile::FromColorContext(const boost::shared_ptr<CColorContext>& cc)
{
    if (!cc || cc->Type() == ColorContextType::NONE)
        return CColorProfilePtr();
    switch (cc->Type()) {
    case ColorContextType::PROFILE: {
        CColorProfilePtr profile(new CColorProfile);
        HRESULT hr = cc->m_profile.empty()
                         ? E_FAIL
                         : profile->OpenMemory(cc->m_profile.data(), static_cast<DWORD>(cc->m_profile.size()));
        if (FAILED(hr))
            throw my::CException(IDS_ICM_OPEN_PROFILE_FAILED, hr);
        return profile;
    }
    case ColorContextType::EXIF: {
        if (cc->m_exifColorSpace != 1)  // only 1 (sRGB) is defined
            throw my::CException(IDS_ICM_UNKNOWN_EXIF_SPACE, UInt64ToWString(cc->m_exifColorSpace));
        CColorProfilePtr profile = GetDefaultRgbProfile();
        if (!profile)
            throw my::CException(IDS_ICM_EXIF_PROFILE_NOT_FOUND, UInt64ToWString(cc->m_exifColorSpace));
        return profile;
    }
    default:
        ThrowInternalErrorWhere(L"CColorProfile::FromColorContext", L"Unknown cc->Type()");
    }
}

// ---- Default profiles ----

std::wstring ChooseProfileName(const std::vector<std::wstring>& installed, const wchar_t* const preferred[],
                               int count)
{
    for (int p = 0; p < count; ++p)
        for (const std::wstring& name : installed)
            if (EqualsNoCase(name, preferred[p]))  // file names: as the file system compares
                return name;
    return installed.empty() ? std::wstring() : installed.front();
}

bool FindProfileByColorSpace(std::wstring& name, DWORD colorSpace, const wchar_t* const preferred[], int count)
{
    name.clear();
    ENUMTYPEW filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dwSize = sizeof filter;
    filter.dwVersion = ENUM_TYPE_VERSION;
    filter.dwFields = ET_DATACOLORSPACE;
    filter.dwDataColorSpace = colorSpace;
    DWORD size = 0;
    EnumColorProfilesW(nullptr, &filter, nullptr, &size, nullptr);
    if (size == 0)
        return false;
    // Room for the list's closing NULs even when the size reported is odd or short.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = 0;
    if (!EnumColorProfilesW(nullptr, &filter, reinterpret_cast<BYTE*>(buffer.data()), &size, &got))
        return false;
    std::vector<std::wstring> installed;
    for (const wchar_t* p = buffer.data(); *p != L'\0' && p < buffer.data() + buffer.size(); p += wcslen(p) + 1)
        installed.push_back(p);
    name = ChooseProfileName(installed, preferred, count);
    return !name.empty();
}

std::wstring DefaultProfileName(DWORD colorSpace)
{
    std::wstring name;
    if (colorSpace == kColorSpaceRgb)
        FindProfileByColorSpace(name, colorSpace, kRgbPreferred, 1);
    else if (colorSpace == kColorSpaceCmyk)
        FindProfileByColorSpace(name, colorSpace, kCmykPreferred, 2);
    return name;
}

std::wstring DisplayProfileName()
{
    const CScreenDC screen;
    if (!screen.IsValid())
        return std::wstring();
    std::vector<wchar_t> buffer(260);
    std::wstring name;
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (GetICMProfileW(screen, &size, buffer.data())) {
            name = buffer.data();
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size())
            break;
        buffer.assign(size, L'\0');
    }
    return name;
}

CColorProfilePtr CProfileCache::Get()
{
    if (m_profile)
        return m_profile;
    if (m_error.IsError())
        return CColorProfilePtr();
    if (m_fileName.empty())
        m_fileName = m_kind == 0 ? DefaultProfileName(m_colorSpace) : DisplayProfileName();
    if (m_fileName.empty()) {
        m_error.Set(IDS_ICM_DEFAULT_PROFILE_NOT_FOUND, UInt64ToWString(m_colorSpace));
        return CColorProfilePtr();
    }
    CColorProfilePtr profile(new CColorProfile);
    HRESULT hr = profile->OpenFile(m_fileName);
    if (FAILED(hr)) {
        m_error.SetWithCode(IDS_ICM_OPEN_PROFILE_FAILED, hr);
        return CColorProfilePtr();
    }
    m_profile = profile;
    return m_profile;
}

CColorProfilePtr DefaultProfileForColorSpace(DWORD colorSpace)
{
    switch (colorSpace) {
    case kColorSpaceCmyk: return CmykCache().Get();
    case kColorSpaceRgb: return RgbCache().Get();
    case kColorSpaceGray: return CColorProfilePtr();
    default: throw my::CException(IDS_ICM_UNKNOWN_COLOR_SPACE, UInt64ToWString(colorSpace));
    }
}

CColorProfilePtr GetDefaultRgbProfile() { return RgbCache().Get(); }
CColorProfilePtr GetDisplayProfile() { return DisplayCache().Get(); }

CColorProfilePtr GetDisplayOrRgbProfile()
{
    CColorProfilePtr display = GetDisplayProfile();
    return display ? display : GetDefaultRgbProfile();
}

CColorProfilePtr GetSharedSrgbProfile()
{
    if (g_srgbProfile && g_srgbProfile->IsOpen())
        return g_srgbProfile;
    std::wstring path;
    if (FAILED(GetStandardSrgbProfilePath(path)))
        return CColorProfilePtr();
    CColorProfilePtr profile(new CColorProfile);
    if (FAILED(profile->OpenFile(path)))
        return CColorProfilePtr();
    g_srgbProfile = profile;
    return g_srgbProfile;
}

HRESULT GetStandardSrgbProfilePath(std::wstring& path)
{
    // Wine leaves the size 0 when asked with a null buffer, so ask with a
    // MAX_PATH buffer first and grow it only when told to.
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (GetStandardColorSpaceProfileW(nullptr, kLogicalColorSpaceSrgb, buffer.data(), &size)) {
            buffer.back() = L'\0';
            path = buffer.data();
            return path.empty() ? E_FAIL : S_OK;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size / sizeof(wchar_t) <= buffer.size())
            return LastErrorOrFail();
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    }
    return E_FAIL;
}

HRESULT GetColorDirectoryPath(std::wstring& path)
{
    DWORD size = 0;
    GetColorDirectoryW(nullptr, nullptr, &size);
    if (size == 0)
        size = MAX_PATH * sizeof(wchar_t);
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!GetColorDirectoryW(nullptr, buffer.data(), &size))
        return LastErrorOrFail();
    buffer.back() = L'\0';
    path = buffer.data();
    return path.empty() ? E_FAIL : S_OK;
}

// ---- Transforms ----

HRESULT CColorTransform::Create(HPROFILE source, HPROFILE destination)
{
    Delete();
    HPROFILE profiles[2] = {source, destination};
    DWORD intent = INTENT_PERCEPTUAL;
    m_transform = CreateMultiProfileTransform(profiles, 2, &intent, 1, BEST_MODE, INDEX_DONT_CARE);
    return m_transform ? S_OK : LastErrorOrFail();
}

HRESULT CColorTransform::TranslateBits(const void* source, DWORD width, DWORD height, int sourceStride,
                                       void* destination, int destinationStride) const
{
    if (!m_transform)
        return E_FAIL;
    // Row by row: Wine's TranslateBitmapBits ignores the strides and reads and
    // writes the rows packed, which shifts every padded or inverted row.
    const BYTE* in = static_cast<const BYTE*>(source);
    BYTE* out = static_cast<BYTE*>(destination);
    for (DWORD y = 0; y < height; ++y) {
        BOOL ok = TranslateBitmapBits(m_transform, const_cast<BYTE*>(in + static_cast<ptrdiff_t>(y) * sourceStride),
                                      BM_xRGBQUADS, width, 1, width * 4,
                                      out + static_cast<ptrdiff_t>(y) * destinationStride, BM_xRGBQUADS, width * 4,
                                      nullptr, 0);
        if (!ok)
            return LastErrorOrFail();
    }
    return S_OK;
}

HRESULT CColorTransform::TranslateColors(COLOR* in, DWORD count, COLORTYPE inType, COLOR* out,
                                         COLORTYPE outType) const
{
    if (!m_transform)
        return E_FAIL;
    return ::TranslateColors(m_transform, in, count, inType, out, outType) ? S_OK : LastErrorOrFail();
}

HRESULT CColorTransform::Delete()
{
    if (!m_transform)
        return S_FALSE;
    HTRANSFORM transform = m_transform;
    m_transform = nullptr;
    return DeleteColorTransform(transform) ? S_OK : LastErrorOrFail();
}

HRESULT TransformBitmapRect(const CColorProfilePtr& sourceProfile, const boost::shared_ptr<Gdiplus::Bitmap>& source,
                            const RECT& rect, const CColorProfilePtr& destinationProfile,
                            boost::shared_ptr<Gdiplus::Bitmap>& result)
{
    if (!source || rect.right <= rect.left || rect.bottom <= rect.top)
        return E_INVALIDARG;
    CColorProfilePtr from = sourceProfile, to = destinationProfile;
    if (!from || !to) {
        CColorProfilePtr srgb = GetSharedSrgbProfile();
        if (!srgb)
            return E_FAIL;
        if (!from)
            from = srgb;
        if (!to)
            to = srgb;
    }
    CColorTransform transform;
    HRESULT hr = transform.Create(from->GetHandle(), to->GetHandle());
    if (FAILED(hr))
        return hr;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    boost::shared_ptr<Gdiplus::Bitmap> out(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    if (!out->IsValid())
        return E_OUTOFMEMORY;
    CBitmapLock in, target;
    if (in.Lock(source.get(), Gdiplus::Rect(rect.left, rect.top, width, height), Gdiplus::ImageLockModeRead,
                PixelFormat32bppARGB) != Gdiplus::Ok ||
        target.Lock(out.get(), Gdiplus::Rect(0, 0, width, height), Gdiplus::ImageLockModeWrite,
                    PixelFormat32bppARGB) != Gdiplus::Ok)
        return E_FAIL;
    hr = transform.TranslateBits(in.Row(0), width, height, in.Data().Stride, target.Row(0), target.Data().Stride);
    // The transform fills the fourth byte with 0: without the source's alpha
    // the result would be fully transparent.
    if (SUCCEEDED(hr))
        CopyAlphaChannel(in.Row(0), in.Data().Stride, target.Row(0), target.Data().Stride, width, height);
    if (in.Unlock() != Gdiplus::Ok || target.Unlock() != Gdiplus::Ok)
        return E_FAIL;
    if (SUCCEEDED(hr))
        result = out;
    return hr;
}

HRESULT TransformBitmap(const CColorProfilePtr& sourceProfile, const boost::shared_ptr<Gdiplus::Bitmap>& source,
                        const CColorProfilePtr& destinationProfile, boost::shared_ptr<Gdiplus::Bitmap>& result)
{
    if (!source)
        return E_INVALIDARG;
    RECT whole = {0, 0, static_cast<LONG>(source->GetWidth()), static_cast<LONG>(source->GetHeight())};
    return TransformBitmapRect(sourceProfile, source, whole, destinationProfile, result);
}

bool ProfilesDiffer(const CColorProfilePtr& a, const CColorProfilePtr& b)
{
    if (a && b)
        return a->CompareHeader(*b) != 0;
    if (!a && !b)
        return false;
    CColorProfilePtr srgb = GetSharedSrgbProfile();
    if (!srgb)
        return false;
    return (a ? a : b)->CompareHeader(*srgb) != 0;
}

bool ColorTransformNeeded(int icmMode, const CColorProfilePtr& dcProfile, const CColorProfilePtr& bitmapProfile)
{
    return icmMode == ICM_ON && ProfilesDiffer(dcProfile, bitmapProfile);
}

int CombineIcmQueryAnswers(const std::vector<int>& answers)
{
    int common = 0;
    for (int answer : answers) {
        if (answer == 0)
            continue;
        if (common == 0)
            common = answer;
        else if (answer != common)
            return 0;
    }
    return common;
}

int CommonIcmQueryAnswer(const std::vector<int>& answers)
{
    if (answers.empty())
        return 0;
    for (int answer : answers)
        if (answer != answers.front())
            return 0;
    return answers.front();
}

void CopyAlphaChannel(const BYTE* source, int sourceStride, BYTE* destination, int destinationStride, int width,
                      int height)
{
    for (int y = 0; y < height; ++y) {
        const BYTE* s = source + static_cast<ptrdiff_t>(y) * sourceStride + 3;
        BYTE* d = destination + static_cast<ptrdiff_t>(y) * destinationStride + 3;
        for (int x = 0; x < width; ++x)
            d[x * 4] = s[x * 4];
    }
}
