// The older registry form of the settings records, as walks over their field
// lists (FieldList.h): numbers and switches are REG_DWORD, doubles REG_SZ
// holding the default stream text of the number, texts REG_SZ, a record a
// subkey, and a list "Count" with one numbered subkey "00", "01", ... per
// entry. Older versions kept their settings there; the program reads them
// once on a first start, and only tests and tools write them.
//
// Reading goes on after a value that is missing or of another type (it
// leaves its field as it was), so that a partly present key still fills what
// it holds, and reports whether everything was there: a key that does not
// open fails its record; a field of a later version than the form (Since)
// and the colour that stood for it before do not count. A list grows to its
// "Count" (up to its limit) and is never shrunk.
#pragma once
#include "decoration/FieldList.h"
#include "platform/RegKey.h"
#include <string>
#include <vector>

namespace regform {

bool ReadDword(HKEY key, const wchar_t* name, DWORD& out);
// Queries up to four bytes straight into the target whatever the value's
// type; true only for a REG_DWORD.
bool QueryRawDword(HKEY key, const wchar_t* name, DWORD& target);
// Like _wtof: a text that is no number reads as 0.
bool ReadDouble(HKEY key, const wchar_t* name, double& out);
bool ReadString(HKEY key, const wchar_t* name, std::wstring& out);
bool WriteDword(HKEY key, const wchar_t* name, DWORD value);
bool WriteDouble(HKEY key, const wchar_t* name, double value);
bool WriteString(HKEY key, const wchar_t* name, const std::wstring& value);
// "%02d": the subkey name of list entry `index`.
std::wstring IndexName(size_t index);

// The value of a field: its registry name, which may lead through a subkey
// (opened for reading, or made for writing).
class CValueName {
public:
    CValueName(HKEY key, const CField& f, bool create = false);
    // Null when the subkey does not open (or cannot be made).
    HKEY Key() const { return m_key; }
    const wchar_t* Name() const { return m_name.c_str(); }

private:
    CRegKey m_sub;
    HKEY m_key;
    std::wstring m_name;
};

const wchar_t* KeyName(const CField& f);
// A rectangle's values in its key.
extern const wchar_t* const kSideNames[4];

template <class R>
bool ReadKey(R& r, HKEY key);
template <class R>
bool WriteKey(const R& r, HKEY key);

template <class R>
class CReadWalk : public CFieldForms<CReadWalk<R>> {
public:
    bool ok = true;

    CReadWalk(R& r, HKEY key) : m_r(r), m_key(key) {}

    // Numbers of every form: a value of another type lands in a field of
    // any registry type all the same (at most four bytes of it), but does
    // not count as read.
    template <class Form, class T>
    void Leaf(const Form&, const CField& f, T R::*m)
    {
        T& field = m_r.*m;
        DWORD v = static_cast<DWORD>(field);
        Value(f, [&](HKEY key, const wchar_t* name) {
            const bool read = f.anyRegistryType ? QueryRawDword(key, name, v) : ReadDword(key, name, v);
            if (read || f.anyRegistryType)
                field = static_cast<T>(v);
            return read;
        });
    }
    template <class T>
    void Leaf(const CBoolForm&, const CField& f, T R::*m)
    {
        DWORD v = 0;
        if (Value(f, [&](HKEY key, const wchar_t* name) { return ReadDword(key, name, v); }))
            m_r.*m = static_cast<T>(v != 0 ? 1 : 0);
    }
    void Leaf(const CDoubleForm&, const CField& f, double R::*m)
    {
        Value(f, [&](HKEY key, const wchar_t* name) { return ReadDouble(key, name, m_r.*m); });
    }
    // A text longer than a document may hold is not taken: the settings file
    // would store it and refuse it at the next start.
    template <class Form>
    void Leaf(const Form& form, const CField& f, std::wstring R::*m)
    {
        Value(f, [&](HKEY key, const wchar_t* name) {
            std::wstring text;
            if (!ReadString(key, name, text) || text.size() > form.most)
                return false;
            m_r.*m = text;
            return true;
        });
    }
    // In the field's subkey, all four sides or none.
    void Leaf(const CRectForm&, const CField& f, RECT R::*m)
    {
        CRegKey sub;
        DWORD side[4] = {};
        bool all = !f.noRegistry && sub.Open(m_key, KeyName(f), KEY_READ) == ERROR_SUCCESS;
        for (int i = 0; all && i < 4; ++i)
            all = ReadDword(sub, kSideNames[i], side[i]);
        if (all)
            SetRect(&(m_r.*m), static_cast<int>(side[0]), static_cast<int>(side[1]), static_cast<int>(side[2]),
                    static_cast<int>(side[3]));
        Take(f, all);
    }
    template <class C>
    void Record(const CField& f, C R::*m, COLORREF (*colorBefore)(const R&) = nullptr)
    {
        if (f.noRegistry)
            return;
        C& child = m_r.*m;
        if (COLORREF* color = f.since ? ColorOf(child, 0) : nullptr) {
            if (colorBefore)
                *color = colorBefore(m_r);
            if (f.olderColor)
                ReadDword(m_key, f.olderColor, *color);
        }
        CRegKey sub;
        if (f.inParentKey)
            Take(f, ReadKey(child, m_key));
        else
            Take(f, sub.Open(m_key, KeyName(f), KEY_READ) == ERROR_SUCCESS && ReadKey(child, sub));
    }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t most)
    {
        CRegKey list;
        if (list.Open(m_key, KeyName(f), KEY_READ) != ERROR_SUCCESS) {
            Take(f, false);
            return;
        }
        // A missing "Count" reads nothing; a damaged one must not allocate
        // billions of entries.
        DWORD count = 0;
        if (f.anyRegistryType)
            QueryRawDword(list, L"Count", count);
        else
            ReadDword(list, L"Count", count);
        std::vector<T>& entries = m_r.*m;
        const size_t n = std::min<size_t>(count, most);
        if (entries.size() < n)
            entries.resize(n, T());
        bool all = true;
        for (size_t i = 0; i < n; ++i) {
            CRegKey entry;
            all = entry.Open(list, IndexName(i).c_str(), KEY_READ) == ERROR_SUCCESS && ReadEntry(entry, entries[i]) &&
                  all;
        }
        Take(f, all);
    }
    template <class L, class S, class N>
    void Texts(const CField&, L R::*, S R::*, N R::*) {}

private:
    // A field of a version after the form's does not count.
    void Take(const CField& f, bool read)
    {
        if (!f.since)
            ok = read && ok;
    }
    template <class Read>
    bool Value(const CField& f, Read read)
    {
        if (f.noRegistry)
            return false;
        const CValueName value(m_key, f);
        const bool done = value.Key() && read(value.Key(), value.Name());
        Take(f, done);
        return done;
    }
    static bool ReadEntry(HKEY key, BYTE& use)
    {
        DWORD v = 0;
        if (!ReadDword(key, nullptr, v))
            return false;
        use = v != 0 ? TRUE : FALSE;
        return true;
    }
    template <class T>
    static bool ReadEntry(HKEY key, T& entry) { return ReadKey(entry, key); }

    R& m_r;
    HKEY m_key;
};

template <class R>
class CWriteWalk : public CFieldForms<CWriteWalk<R>> {
public:
    bool ok = true;

    CWriteWalk(const R& r, HKEY key) : m_r(r), m_key(key) {}

    template <class Form, class T>
    void Leaf(const Form&, const CField& f, T R::*m) { Number(f, static_cast<DWORD>(m_r.*m)); }
    template <class T>
    void Leaf(const CBoolForm&, const CField& f, T R::*m) { Number(f, m_r.*m != 0 ? 1 : 0); }
    void Leaf(const CDoubleForm&, const CField& f, double R::*m)
    {
        const double value = m_r.*m;
        Value(f, [value](HKEY key, const wchar_t* name) { return WriteDouble(key, name, value); });
    }
    // A text the reader would not take is not written either.
    template <class Form>
    void Leaf(const Form& form, const CField& f, std::wstring R::*m)
    {
        const std::wstring& text = m_r.*m;
        Value(f, [&](HKEY key, const wchar_t* name) {
            return text.size() <= form.most && WriteString(key, name, text);
        });
    }
    void Leaf(const CRectForm&, const CField& f, RECT R::*m)
    {
        CRegKey sub;
        const RECT& r = m_r.*m;
        const LONG side[4] = {r.left, r.top, r.right, r.bottom};
        if (f.noRegistry)
            return;
        bool all = Create(sub, m_key, KeyName(f));
        for (int i = 0; all && i < 4; ++i)
            all = WriteDword(sub, kSideNames[i], static_cast<DWORD>(side[i]));
        ok = all && ok;
    }
    template <class C, class... ColorBefore>
    void Record(const CField& f, C R::*m, ColorBefore...)
    {
        CRegKey sub;
        if (!f.noRegistry)
            ok = (f.inParentKey ? WriteKey(m_r.*m, m_key) : Create(sub, m_key, KeyName(f)) && WriteKey(m_r.*m, sub)) &&
                 ok;
    }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t most)
    {
        CRegKey list;
        if (!Create(list, m_key, KeyName(f))) {
            ok = false;
            return;
        }
        const std::vector<T>& entries = m_r.*m;
        const size_t n = std::min(entries.size(), most);
        WriteDword(list, L"Count", static_cast<DWORD>(n));  // its result does not count
        for (size_t i = 0; i < n; ++i) {
            CRegKey entry;
            ok = Create(entry, list, IndexName(i).c_str()) && WriteEntry(entry, entries[i]) && ok;
        }
    }
    template <class L, class S, class N>
    void Texts(const CField&, L R::*, S R::*, N R::*) {}

private:
    static bool Create(CRegKey& key, HKEY parent, const wchar_t* name)
    {
        return key.Create(parent, name) == ERROR_SUCCESS;
    }
    // Into the key, or into the subkey the field's registry name leads through.
    template <class Write>
    void Value(const CField& f, Write write)
    {
        if (f.noRegistry)
            return;
        const CValueName value(m_key, f, true);
        ok = value.Key() && write(value.Key(), value.Name()) && ok;
    }
    void Number(const CField& f, DWORD value)
    {
        Value(f, [value](HKEY key, const wchar_t* name) { return WriteDword(key, name, value); });
    }
    static bool WriteEntry(HKEY key, BYTE use) { return WriteDword(key, nullptr, use ? 1 : 0); }
    template <class T>
    static bool WriteEntry(HKEY key, const T& entry) { return WriteKey(entry, key); }

    const R& m_r;
    HKEY m_key;
};

template <class R>
bool ReadKey(R& r, HKEY key)
{
    CReadWalk<R> walk(r, key);
    CFieldsOf<R>::Walk(walk);
    return walk.ok;
}

template <class R>
bool WriteKey(const R& r, HKEY key)
{
    CWriteWalk<R> walk(r, key);
    CFieldsOf<R>::Walk(walk);
    return walk.ok;
}

// The record from, or into, the key `keyPath` below `parent`: false when the
// key does not open (or cannot be made), else whether every field was read
// (or written).
template <class R>
bool Load(R& r, const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    return key.Open(parent, keyPath.c_str(), KEY_READ) == ERROR_SUCCESS && ReadKey(r, key);
}

template <class R>
bool Save(const R& r, const std::wstring& keyPath, HKEY parent)
{
    CRegKey key;
    return key.Create(parent, keyPath.c_str()) == ERROR_SUCCESS && WriteKey(r, key);
}

} // namespace regform
