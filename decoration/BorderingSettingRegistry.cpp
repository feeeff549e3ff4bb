// Registry form of the decoration records (older versions stored the
// settings there; read once by the import, written only by tests and tools).
// Each reader goes on after a missing value so that a partly present key
// still fills what it holds, and reports whether everything was there.
#include "decoration/BorderingSetting.h"
#include "decoration/RegistryForm.h"
#include "decoration/SettingLimits.h"

using namespace regform;

namespace {

bool OpenRead(CRegKey& key, const std::wstring& path, HKEY parent)
{
    return key.Open(parent, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

bool OpenWrite(CRegKey& key, const std::wstring& path, HKEY parent)
{
    return key.Create(parent, path.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE) ==
           ERROR_SUCCESS;
}

} // namespace

bool CColorPosSetting::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    bool ok = ReadBool(key, L"Use", Use);
    ok = ReadDword(key, L"Color", Color) && ok;
    ok = ReadDouble(key, L"Pos", Pos) && ok;
    return ok;
}

bool CColorPosSetting::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    bool ok = WriteDword(key, L"Use", Use ? 1 : 0);
    ok = WriteDword(key, L"Color", Color) && ok;
    ok = WriteDouble(key, L"Pos", Pos) && ok;
    return ok;
}

bool LoadColorPosSettings(CColorPosSettings& stops, const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    DWORD count = ReadCount(key, L"Count");
    // A damaged "Count" must not make the list grow to billions of stops.
    if (count > limits::kMaxListCount)
        count = limits::kMaxListCount;
    if (stops.size() < count)
        stops.resize(count);
    bool ok = true;
    for (DWORD i = 0; i < count && i < stops.size(); ++i)
        ok = stops[i].Load(IndexedPath(keyPath, i), parent) && ok;
    return ok;
}

bool SaveColorPosSettings(const CColorPosSettings& stops, const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    WriteDword(key, L"Count", static_cast<DWORD>(stops.size()));  // its result does not count
    bool ok = true;
    for (size_t i = 0; i < stops.size(); ++i)
        ok = stops[i].Save(IndexedPath(keyPath, static_cast<DWORD>(i)), parent) && ok;
    return ok;
}

bool CLinearGradation::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    bool ok = ReadUInt(key, L"Angle", Angle);
    ok = ReadUInt(key, L"Unit", Unit) && ok;
    bool entire = false;
    if (ReadBool(key, L"Entire", entire))
        Entire = entire ? TRUE : FALSE;
    else
        ok = false;
    ok = LoadColorPosSettings(Stops, keyPath + L"\\Colors", parent) && ok;
    return ok;
}

bool CLinearGradation::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    bool ok = WriteDword(key, L"Angle", Angle);
    ok = WriteDword(key, L"Unit", Unit) && ok;
    ok = WriteDword(key, L"Entire", Entire ? 1 : 0) && ok;
    ok = SaveColorPosSettings(Stops, keyPath + L"\\Colors", parent) && ok;
    return ok;
}

bool CTextureSetting::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    bool ok = ReadString(key, L"Path", Path);
    ok = ReadUInt(key, L"Type", Type) && ok;
    ok = ReadUInt(key, L"Unit", Unit) && ok;
    ok = ReadDouble(key, L"RateX", RateX) && ok;
    ok = ReadDouble(key, L"RateY", RateY) && ok;
    ok = ReadBool(key, L"SameRate", SameRate) && ok;
    ok = ReadBool(key, L"Entire", Entire) && ok;
    ok = ReadBool(key, L"Flip", Flip) && ok;
    ok = ReadInt(key, L"OffsetX", OffsetX) && ok;
    ok = ReadInt(key, L"OffsetY", OffsetY) && ok;
    return ok;
}

bool CTextureSetting::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    bool ok = WriteString(key, L"Path", Path);
    ok = WriteDword(key, L"Type", Type) && ok;
    ok = WriteDword(key, L"Unit", Unit) && ok;
    ok = WriteDouble(key, L"RateX", RateX) && ok;
    ok = WriteDouble(key, L"RateY", RateY) && ok;
    ok = WriteDword(key, L"SameRate", SameRate ? 1 : 0) && ok;
    ok = WriteDword(key, L"Entire", Entire ? 1 : 0) && ok;
    ok = WriteDword(key, L"Flip", Flip ? 1 : 0) && ok;
    ok = WriteDword(key, L"OffsetX", static_cast<DWORD>(OffsetX)) && ok;
    ok = WriteDword(key, L"OffsetY", static_cast<DWORD>(OffsetY)) && ok;
    return ok;
}

bool CPaintSetting::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    bool ok = ReadUInt(key, L"Type", Type);
    ok = ReadDword(key, L"Color", Color) && ok;
    key.Close();
    ok = LinearGradation.Load(keyPath + L"\\Linear", parent) && ok;
    ok = Texture.Load(keyPath + L"\\Texture", parent) && ok;
    return ok;
}

bool CPaintSetting::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    bool ok = WriteDword(key, L"Type", Type);
    ok = WriteDword(key, L"Color", Color) && ok;
    key.Close();
    ok = LinearGradation.Save(keyPath + L"\\Linear", parent) && ok;
    ok = Texture.Save(keyPath + L"\\Texture", parent) && ok;
    return ok;
}

bool CBorderingSetting::Load(const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    if (!OpenRead(key, keyPath, parent))
        return false;
    bool ok = ReadInt(key, L"Size", Size);
    ok = ReadInt(key, L"Alpha", Alpha) && ok;
    ok = ReadInt(key, L"Blur", Blur) && ok;
    ok = ReadInt(key, L"Angle", Angle) && ok;
    ok = ReadInt(key, L"Distance", Distance) && ok;
    // Versions before the paint record kept the colour in the decoration key.
    ReadDword(key, L"Color", Paint.Color);
    key.Close();
    Paint.Load(keyPath + L"\\Paint", parent);  // neither counts
    return ok;
}

bool CBorderingSetting::Save(const std::wstring& keyPath, HKEY parent) const
{
    CRegKey key;
    if (!OpenWrite(key, keyPath, parent))
        return false;
    bool ok = WriteDword(key, L"Size", static_cast<DWORD>(Size));
    ok = WriteDword(key, L"Alpha", static_cast<DWORD>(Alpha)) && ok;
    ok = WriteDword(key, L"Blur", static_cast<DWORD>(Blur)) && ok;
    ok = WriteDword(key, L"Angle", static_cast<DWORD>(Angle)) && ok;
    ok = WriteDword(key, L"Distance", static_cast<DWORD>(Distance)) && ok;
    key.Close();
    ok = Paint.Save(keyPath + L"\\Paint", parent) && ok;
    return ok;
}
