// ICC colour profiles through the system's colour management: opening
// profiles from files or memory, their header and tagged elements, the
// default profile of a colour space, the display's profile, and colour
// transforms between two profiles.
#pragma once
#include "foundation/Error.h"
#include <windows.h>
#include <icm.h>
#include <boost/shared_ptr.hpp>
#include <iosfwd>
#include <string>
#include <vector>

class CColorContext;
namespace Gdiplus { class Bitmap; }

// ICC signatures as 32-bit values (most significant byte first in the text).
const DWORD kColorSpaceRgb = 0x52474220;   // "RGB "
const DWORD kColorSpaceCmyk = 0x434D594B;  // "CMYK"
const DWORD kColorSpaceGray = 0x47524159;  // "GRAY"
const DWORD kTagDesc = 0x64657363;         // "desc"

class CNameImpl {
public:
    const std::wstring& GetName() const { return m_name; }
    void SetName(const std::wstring& name) { m_name = name; }
protected:
    std::wstring m_name;
};

class CColorProfile : public CNameImpl {
public:
    CColorProfile();
    virtual ~CColorProfile();
    CColorProfile(const CColorProfile&) = delete;
    CColorProfile& operator=(const CColorProfile&) = delete;

    virtual HRESULT OpenMemory(const BYTE* data, DWORD size);
    // A name without a backslash is looked up in the system colour folder.
    virtual HRESULT OpenFile(const std::wstring& name);
    virtual HRESULT Close();

    HRESULT Assign(const CColorProfile& other);
    boost::shared_ptr<CColorProfile> Clone() const;

    bool IsOpen() const { return m_profile != nullptr; }
    HPROFILE GetHandle() const { return m_profile; }
    const PROFILEHEADER& GetHeader() const { return m_header; }
    const std::vector<unsigned char>& GetBytes() const { return m_bytes; }

    HRESULT GetElementCount(DWORD& count) const;
    HRESULT GetElementTag(DWORD index, TAGTYPE& tag) const;  // index from 1
    HRESULT GetElement(TAGTYPE tag, std::string& bytes, bool& isReference) const;
    HRESULT GetElementAt(DWORD index, std::string& bytes, bool& isReference) const;      // from 1
    HRESULT GetElementAtZero(DWORD index, std::string& bytes, bool& isReference) const;  // from 0
    HRESULT GetDescElement(std::string& bytes, bool& isReference) const;
    HRESULT GetDescription(std::wstring& text) const;

    // Byte-wise comparison of the 128-byte headers.
    int CompareHeader(const CColorProfile& other) const;
    bool operator<(const CColorProfile& other) const { return CompareHeader(other) < 0; }
    bool operator==(const CColorProfile& other) const { return CompareHeader(other) == 0; }

    // Throws my::CException IDS_ICM_OPEN_PROFILE_FAILED, IDS_ICM_UNKNOWN_EXIF_SPACE, IDS_ICM_EXIF_PROFILE_NOT_FOUND or the internal error.
    static boost::shared_ptr<CColorProfile> FromColorContext(const boost::shared_ptr<CColorContext>& cc);

    void Dump(std::wostream& os) const;

private:
    HRESULT OpenHeldBytes();

    std::vector<unsigned char> m_bytes;
    HPROFILE m_profile = nullptr;
    PROFILEHEADER m_header;
};

typedef boost::shared_ptr<CColorProfile> CColorProfilePtr;

// The text of an ASCII text-description element ("desc" type): E_FAIL unless
// the data holds the type signature and a length that fits inside it.
HRESULT ParseTextDescription(const std::string& data, std::wstring& text);

// A lazily opened default profile: kind 0 is the default of a colour space,
// kind 1 the display's profile. A failure is recorded and never retried.
class CProfileCache {
public:
    CProfileCache(int kind, DWORD colorSpace) : m_kind(kind), m_colorSpace(colorSpace) {}
    CColorProfilePtr Get();
    const CSimpleErr& GetError() const { return m_error; }
    const std::wstring& GetFileName() const { return m_fileName; }
private:
    int m_kind;
    DWORD m_colorSpace;
    CSimpleErr m_error;
    std::wstring m_fileName;
    CColorProfilePtr m_profile;
};

// Profile choice. `ChooseProfileName` is the pure rule: the first preferred
// name that is installed (letter case of A-Z ignored, the installed spelling
// returned), else the first installed name, else empty.
std::wstring ChooseProfileName(const std::vector<std::wstring>& installed,
                               const wchar_t* const preferred[], int count);
bool FindProfileByColorSpace(std::wstring& name, DWORD colorSpace,
                             const wchar_t* const preferred[], int count);
std::wstring DefaultProfileName(DWORD colorSpace);
std::wstring DisplayProfileName();

// "CMYK" and "RGB " give the cached defaults, "GRAY" an empty pointer; any
// other signature throws IDS_ICM_UNKNOWN_COLOR_SPACE.
CColorProfilePtr DefaultProfileForColorSpace(DWORD colorSpace);
CColorProfilePtr GetDefaultRgbProfile();
CColorProfilePtr GetDisplayProfile();
CColorProfilePtr GetDisplayOrRgbProfile();
// The system's standard sRGB profile, opened on first need; empty when absent.
CColorProfilePtr GetSharedSrgbProfile();

HRESULT GetStandardSrgbProfilePath(std::wstring& path);
HRESULT GetColorDirectoryPath(std::wstring& path);

class CColorTransform {
public:
    CColorTransform() = default;
    ~CColorTransform() { Delete(); }
    CColorTransform(const CColorTransform&) = delete;
    CColorTransform& operator=(const CColorTransform&) = delete;
    HRESULT Create(HPROFILE source, HPROFILE destination);
    // 32-bit pixels (B, G, R, x) in, 32-bit pixels out; the fourth byte is not
    // carried. Strides may be negative (rows bottom-up).
    HRESULT TranslateBits(const void* source, DWORD width, DWORD height, int sourceStride,
                          void* destination, int destinationStride) const;
    HRESULT TranslateColors(COLOR* in, DWORD count, COLORTYPE inType, COLOR* out, COLORTYPE outType) const;
    HRESULT Delete();
    HTRANSFORM GetHandle() const { return m_transform; }
private:
    HTRANSFORM m_transform = nullptr;
};

// True when the two profiles' headers differ; a missing profile stands for the
// shared sRGB profile, and two missing profiles never differ.
bool ProfilesDiffer(const CColorProfilePtr& a, const CColorProfilePtr& b);

// A new 32-bit ARGB bitmap with the colours of the source (the rectangle, or
// the whole image) carried from one profile to the other; a missing profile
// stands for sRGB. Alpha is kept.
HRESULT TransformBitmapRect(const CColorProfilePtr& sourceProfile, const boost::shared_ptr<Gdiplus::Bitmap>& source,
                            const RECT& rect, const CColorProfilePtr& destinationProfile,
                            boost::shared_ptr<Gdiplus::Bitmap>& result);
HRESULT TransformBitmap(const CColorProfilePtr& sourceProfile, const boost::shared_ptr<Gdiplus::Bitmap>& source,
                        const CColorProfilePtr& destinationProfile, boost::shared_ptr<Gdiplus::Bitmap>& result);

// Whether a bitmap drawn on a DC in the given ICM mode needs a transform from
// its own profile to the DC's (missing profiles stand for sRGB).
bool ColorTransformNeeded(int icmMode, const CColorProfilePtr& dcProfile, const CColorProfilePtr& bitmapProfile);

// The combined answer of several DCs to ICM_QUERY: the common non-zero
// answer, 0 when two non-zero answers differ or nobody answered.
int CombineIcmQueryAnswers(const std::vector<int>& answers);
// The answer every DC gave to ICM_QUERY; 0 when two differ or nobody
// answered. A DC that failed (0) beside one in ICM_ON makes the whole 0: a
// surface is in a mode only when all of it is.
int CommonIcmQueryAnswer(const std::vector<int>& answers);

// Copies the alpha byte of every 32-bit pixel of `source` rows into `destination`
// rows (the colour transform does not carry the fourth byte).
void CopyAlphaChannel(const BYTE* source, int sourceStride, BYTE* destination, int destinationStride,
                      int width, int height);

std::wstring SignatureText(DWORD signature);
// Big-endian DWORD at bytes 8 to 11; throws the buffer overrun IDS_BUFFER_OVERRUN when shorter.
DWORD MakeDwordBE(const BYTE* data, size_t size);
COLORREF ColorToColorref(const COLOR& color);
