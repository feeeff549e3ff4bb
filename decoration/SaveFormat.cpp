#include "decoration/SaveFormat.h"
#include "decoration/RegistryForm.h"
#include "decoration/SettingLimits.h"

std::wstring CSaveFormat::GetExtension() const
{
    switch (Type) {
    case OutputType::JPEG: return L"jpg";
    case OutputType::PDF: return L"pdf";
    case OutputType::SVG: return L"svg";
    case OutputType::SVG_TAG: return L"html";
    case OutputType::EMF: return L"emf";
    default: return L"png";
    }
}

bool CSaveFormat::IsVector() const
{
    return Type == OutputType::PDF || Type == OutputType::SVG || Type == OutputType::SVG_TAG ||
           Type == OutputType::EMF;
}

bool CSaveFormat::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (key.Open(parent, keyPath.c_str(), KEY_READ) != ERROR_SUCCESS)
        return false;
    bool ok = regform::ReadUInt(key, L"Type", Type);
    ok = regform::ReadInt(key, L"JpegQuality", JpegQuality) && ok;
    JpegQuality = ClampInt(JpegQuality, 0, 100);
    return ok;
}

bool CSaveFormat::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (key.Create(parent, keyPath.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE) !=
        ERROR_SUCCESS)
        return false;
    bool ok = regform::WriteDword(key, L"Type", Type);
    ok = regform::WriteDword(key, L"JpegQuality", static_cast<DWORD>(JpegQuality)) && ok;
    return ok;
}
