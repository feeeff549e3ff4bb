#include "imaging/WicImaging.h"
#include "imaging/ColorProfile.h"
#include "foundation/Error.h"
#include "platform/ComPtr.h"
#include "resources/strings_imaging.h"
#include "resources/strings_wic.h"
#include <cstring>

namespace wic {

namespace {

// Let go by ReleaseImagingFactory while COM is still up.
CComPtr<IWICImagingFactory> g_factory;

struct CFormatRow {
    const GUID* guid;
    uint32_t family;
    uint32_t bits;
    bool alpha;
};

// The common formats first: most frames are found in the first rows.
const CFormatRow kFormats[] = {
    {&GUID_WICPixelFormat24bppBGR, kFamilyRgb, 24, false},
    {&GUID_WICPixelFormat32bppBGRA, kFamilyRgb, 32, true},
    {&GUID_WICPixelFormat32bppBGR, kFamilyRgb, 32, false},
    {&GUID_WICPixelFormat16bppBGR555, kFamilyRgb, 16, false},
    {&GUID_WICPixelFormat16bppBGR565, kFamilyRgb, 16, false},
    {&GUID_WICPixelFormat8bppIndexed, kFamilyIndexed, 8, false},
    {&GUID_WICPixelFormat8bppGray, kFamilyGray, 8, false},
    {&GUID_WICPixelFormat32bppCMYK, kFamilyCmyk, 32, false},
    {&GUID_WICPixelFormat1bppIndexed, kFamilyIndexed, 1, false},
    {&GUID_WICPixelFormat2bppIndexed, kFamilyIndexed, 2, false},
    {&GUID_WICPixelFormat4bppIndexed, kFamilyIndexed, 4, false},
    {&GUID_WICPixelFormatBlackWhite, kFamilyGray, 1, false},
    {&GUID_WICPixelFormat2bppGray, kFamilyGray, 2, false},
    {&GUID_WICPixelFormat4bppGray, kFamilyGray, 4, false},
    {&GUID_WICPixelFormat16bppGray, kFamilyGray, 16, false},
    {&GUID_WICPixelFormat16bppGrayFixedPoint, kFamilyGray, 16, false},
    {&GUID_WICPixelFormat16bppGrayHalf, kFamilyGray, 16, false},
    {&GUID_WICPixelFormat32bppGrayFloat, kFamilyGray, 32, false},
    {&GUID_WICPixelFormat32bppGrayFixedPoint, kFamilyGray, 32, false},
    {&GUID_WICPixelFormat24bppRGB, kFamilyRgb, 24, false},
    {&GUID_WICPixelFormat32bppPBGRA, kFamilyRgb, 32, true},
    {&GUID_WICPixelFormat32bppBGR101010, kFamilyRgb, 32, false},
    {&GUID_WICPixelFormat32bppRGBE, kFamilyRgb, 32, false},
    {&GUID_WICPixelFormat48bppRGB, kFamilyRgb, 48, false},
    {&GUID_WICPixelFormat48bppRGBFixedPoint, kFamilyRgb, 48, false},
    {&GUID_WICPixelFormat48bppRGBHalf, kFamilyRgb, 48, false},
    {&GUID_WICPixelFormat64bppRGBA, kFamilyRgb, 64, true},
    {&GUID_WICPixelFormat64bppPRGBA, kFamilyRgb, 64, true},
    {&GUID_WICPixelFormat64bppRGBFixedPoint, kFamilyRgb, 64, false},
    {&GUID_WICPixelFormat64bppRGBAFixedPoint, kFamilyRgb, 64, true},
    {&GUID_WICPixelFormat64bppRGBHalf, kFamilyRgb, 64, false},
    {&GUID_WICPixelFormat64bppRGBAHalf, kFamilyRgb, 64, true},
    {&GUID_WICPixelFormat96bppRGBFixedPoint, kFamilyRgb, 96, false},
    {&GUID_WICPixelFormat128bppRGBFloat, kFamilyRgb, 128, false},
    {&GUID_WICPixelFormat128bppRGBAFloat, kFamilyRgb, 128, true},
    {&GUID_WICPixelFormat128bppPRGBAFloat, kFamilyRgb, 128, true},
    {&GUID_WICPixelFormat128bppRGBFixedPoint, kFamilyRgb, 128, false},
    {&GUID_WICPixelFormat128bppRGBAFixedPoint, kFamilyRgb, 128, true},
    {&GUID_WICPixelFormat64bppCMYK, kFamilyCmyk, 64, false},
    {&GUID_WICPixelFormat40bppCMYKAlpha, kFamilyCmyk, 40, true},
    {&GUID_WICPixelFormat80bppCMYKAlpha, kFamilyCmyk, 80, true},
    {&GUID_WICPixelFormat24bpp3Channels, kFamilyUnsupported, 24, false},
    {&GUID_WICPixelFormat48bpp3Channels, kFamilyUnsupported, 48, false},
    {&GUID_WICPixelFormat32bpp3ChannelsAlpha, kFamilyUnsupported, 32, true},
    {&GUID_WICPixelFormat64bpp3ChannelsAlpha, kFamilyUnsupported, 64, true},
    {&GUID_WICPixelFormat32bpp4Channels, kFamilyUnsupported, 32, false},
    {&GUID_WICPixelFormat64bpp4Channels, kFamilyUnsupported, 64, false},
    {&GUID_WICPixelFormat40bpp4ChannelsAlpha, kFamilyUnsupported, 40, true},
    {&GUID_WICPixelFormat80bpp4ChannelsAlpha, kFamilyUnsupported, 80, true},
    {&GUID_WICPixelFormat40bpp5Channels, kFamilyUnsupported, 40, false},
    {&GUID_WICPixelFormat80bpp5Channels, kFamilyUnsupported, 80, false},
    {&GUID_WICPixelFormat48bpp5ChannelsAlpha, kFamilyUnsupported, 48, true},
    {&GUID_WICPixelFormat96bpp5ChannelsAlpha, kFamilyUnsupported, 96, true},
    {&GUID_WICPixelFormat48bpp6Channels, kFamilyUnsupported, 48, false},
    {&GUID_WICPixelFormat96bpp6Channels, kFamilyUnsupported, 96, false},
    {&GUID_WICPixelFormat56bpp6ChannelsAlpha, kFamilyUnsupported, 56, true},
    {&GUID_WICPixelFormat112bpp6ChannelsAlpha, kFamilyUnsupported, 112, true},
    {&GUID_WICPixelFormat56bpp7Channels, kFamilyUnsupported, 56, false},
    {&GUID_WICPixelFormat112bpp7Channels, kFamilyUnsupported, 112, false},
    {&GUID_WICPixelFormat64bpp7ChannelsAlpha, kFamilyUnsupported, 64, true},
    {&GUID_WICPixelFormat128bpp7ChannelsAlpha, kFamilyUnsupported, 128, true},
    {&GUID_WICPixelFormat64bpp8Channels, kFamilyUnsupported, 64, false},
    {&GUID_WICPixelFormat128bpp8Channels, kFamilyUnsupported, 128, false},
    {&GUID_WICPixelFormat72bpp8ChannelsAlpha, kFamilyUnsupported, 72, true},
    {&GUID_WICPixelFormat144bpp8ChannelsAlpha, kFamilyUnsupported, 144, true},
};

struct CImgFormatRow {
    const GUID* guid;
    WICBitmapPaletteType palette;
    DWORD colorSpace;
};

// Indexed by ImgFormat.
const CImgFormatRow kImgFormats[] = {
    {&GUID_WICPixelFormat32bppBGRA, WICBitmapPaletteTypeCustom, kColorSpaceRgb},
    {&GUID_WICPixelFormat24bppBGR, WICBitmapPaletteTypeCustom, kColorSpaceRgb},
    {&GUID_WICPixelFormat40bppCMYKAlpha, WICBitmapPaletteTypeCustom, kColorSpaceCmyk},
    {&GUID_WICPixelFormat32bppCMYK, WICBitmapPaletteTypeCustom, kColorSpaceCmyk},
    {&GUID_WICPixelFormat8bppGray, WICBitmapPaletteTypeFixedGray256, kColorSpaceGray},
    {&GUID_WICPixelFormatBlackWhite, WICBitmapPaletteTypeFixedBW, kColorSpaceGray},
};

const CImgFormatRow& ImgFormatRow(uint32_t format)
{
    if (format >= sizeof kImgFormats / sizeof kImgFormats[0])
        throw my::CException(IDS_IMAGE_FORMAT_UNSUPPORTED);
    return kImgFormats[format];
}

} // namespace

void CreateImagingFactory()
{
    if (g_factory)
        return;
    const HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory, reinterpret_cast<void**>(&g_factory));
    if (FAILED(hr)) {
        g_factory.Detach();  // no reference came with a failure, whatever the pointer holds
        throw my::CException(IDS_WIC_CREATE_FACTORY_FAILED, hr);
    }
}

void ReleaseImagingFactory() { g_factory.Release(); }

IWICImagingFactory* GetImagingFactory()
{
    return g_factory;
}

IWICImagingFactory& RequireImagingFactory()
{
    if (!g_factory)
        throw my::CException(IDS_WIC_CREATE_FACTORY_FAILED, CO_E_NOTINITIALIZED);
    return *g_factory;
}

CPixelFormatDesc ClassifyPixelFormat(const GUID& format)
{
    CPixelFormatDesc desc;
    desc.guid = format;
    for (const CFormatRow& row : kFormats) {
        if (IsEqualGUID(*row.guid, format)) {
            desc.family = row.family;
            desc.bitsPerPixel = row.bits;
            desc.hasAlpha = row.alpha;
            break;
        }
    }
    return desc;
}

CPixelFormatDesc ReadPixelFormat(IWICBitmapSource* source)
{
    WICPixelFormatGUID format = {};
    const HRESULT hr = source ? source->GetPixelFormat(&format) : E_POINTER;
    if (FAILED(hr))
        throw my::CException(IDS_WIC_GET_PIXEL_FORMAT_FAILED, hr);
    return ClassifyPixelFormat(format);
}

DWORD FamilyColorSpace(uint32_t family)
{
    switch (family) {
    case kFamilyGray: return kColorSpaceGray;
    case kFamilyCmyk: return kColorSpaceCmyk;
    default: return kColorSpaceRgb;
    }
}

const GUID& GetImgWicFormat(uint32_t format)
{
    return *ImgFormatRow(format).guid;
}

bool GetImgFormatOfWic(const GUID& guid, uint32_t& format)
{
    for (uint32_t i = 0; i < sizeof kImgFormats / sizeof kImgFormats[0]; ++i) {
        if (IsEqualGUID(*kImgFormats[i].guid, guid)) {
            format = i;
            return true;
        }
    }
    return false;
}

WICBitmapPaletteType GetImgPaletteType(uint32_t format)
{
    return ImgFormatRow(format).palette;
}

DWORD GetImgColorSpace(uint32_t format)
{
    return ImgFormatRow(format).colorSpace;
}

} // namespace wic
