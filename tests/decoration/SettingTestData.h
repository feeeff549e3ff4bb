// Settings for the persistence tests, as walks over the records' field lists:
// a mutator that gives every stored field (or one of them) another value
// that every form can hold, and a comparison that names each field that
// differs. A field added to a list is mutated and compared without a change
// here.
#pragma once
#include "decoration/Setting.h"
#include "foundation/XmlValue.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <climits>
#include <sstream>

// Which fields a comparison looks at: every stored one, those the older
// registry form holds, those of a decoration settings file, or those only
// the settings file holds.
enum CStoredIn { kEveryForm, kRegistryForm, kDecorationFile, kSettingsFileParts };

// Gives the fields of a record new values, different from the ones they
// hold, inside their bounds and tables, that documents and the registry
// form keep exactly: numbers with few digits, texts with Japanese and the
// characters XML escapes, paths inside the settings' folder (stored
// relative) and elsewhere. Values follow from `seed` and the field's place.
// With `only` >= 0 only that leaf (counted from 0 in list order, entries of
// lists one by one) changes; `leaves` counts them.
class CFieldMutator {
public:
    std::wstring folder = L"C:\\settings";
    int only = -1;
    int leaves = 0;

    explicit CFieldMutator(unsigned seed = 1) : m_k(seed) {}

    template <class R>
    void Mutate(R& r)
    {
        CWalk<R> walk(*this, r);
        CFieldsOf<R>::Walk(walk);
    }

private:
    template <class R>
    class CWalk : public CFieldForms<CWalk<R>> {
    public:
        CWalk(CFieldMutator& m, R& r) : m_m(m), m_r(r) {}

        template <class T>
        void Leaf(const CIntForm& form, const CField& f, T R::*m)
        {
            // Fields bounded only by their type keep numbers of a few digits.
            const int low = form.low == INT_MIN ? -100000 : form.low, high = form.high == INT_MAX ? 100000 : form.high;
            if (m_m.Takes())
                m_r.*m = static_cast<T>(m_m.Other(static_cast<int>(m_r.*m), low, high));
        }
        template <class T>
        void Leaf(const CAngleForm&, const CField& f, T R::*m) { Leaf(CIntForm{0, -720, 720}, f, m); }
        template <class T>
        void Leaf(const CBoolForm&, const CField& f, T R::*m)
        {
            if (m_m.Takes())
                m_r.*m = static_cast<T>(m_r.*m ? 0 : 1);
        }
        void Leaf(const CColorForm&, const CField& f, COLORREF R::*m)
        {
            if (m_m.Takes())
                m_r.*m = (m_r.*m + 0x010203 * (1 + m_m.m_k % 50)) & 0xFFFFFF;
        }
        template <class Table, class T>
        void Leaf(const CEnumForm<Table>& form, const CField& f, T R::*m)
        {
            const UINT count = form.table.Count;
            if (m_m.Takes())
                m_r.*m = static_cast<T>((static_cast<UINT>(m_r.*m) + 1 + m_m.m_k % (count - 1)) % count);
        }
        template <class Table>
        void Leaf(const CFlagsForm<Table>& form, const CField& f, UINT R::*m)
        {
            if (m_m.Takes())
                m_r.*m ^= 1 + m_m.m_k % form.table.Mask();
        }
        void Leaf(const CDoubleForm& form, const CField& f, double R::*m)
        {
            if (!m_m.Takes())
                return;
            // Multiples of 1/64 are exact in binary and short in decimal.
            const double other = form.rule == kUnitInterval ? (m_m.m_k % 64) / 64.0 : 0.25 + (m_m.m_k % 64) / 16.0;
            m_r.*m = other != m_r.*m ? other : other + 1 / 64.0;
        }
        void Leaf(const CTextForm&, const CField& f, std::wstring R::*m)
        {
            if (m_m.Takes())
                m_r.*m = m_m.NewText();
        }
        void Leaf(const CPathForm&, const CField& f, std::wstring R::*m)
        {
            if (!m_m.Takes())
                return;
            const std::wstring name = L"<&>木目" + std::to_wstring(m_m.m_k) + L".png";
            m_r.*m = m_m.m_paths++ % 2 ? L"D:\\elsewhere\\" + name : m_m.folder + L"\\tex\\" + name;
        }
        void Leaf(const CRectForm&, const CField& f, RECT R::*m)
        {
            RECT& r = m_r.*m;
            if (m_m.Takes())
                SetRect(&r, r.left - 8, r.top + 10, r.right + 1290 + m_m.m_k % 9, r.bottom + 1010);
        }
        void Leaf(const CCountForm&, const CField& f, size_t R::*m)
        {
            if (m_m.Takes())
                m_r.*m += 1 + m_m.m_k % 7;
        }
        template <class C, class... ColorBefore>
        void Record(const CField&, C R::*m, ColorBefore...) { m_m.Mutate(m_r.*m); }
        template <class T>
        void List(const CField& f, std::vector<T> R::*m, size_t)
        {
            for (T& entry : m_r.*m)
                Entry(f, entry);
        }
        template <class L, class S, class N>
        void Texts(const CField& f, L R::*items, S R::*on, N R::*)
        {
            if (!m_m.Takes())
                return;
            m_r.*on = true;
            (m_r.*items).clear();
            for (unsigned i = 0; i <= m_m.m_k % 3; ++i)
                (m_r.*items).push_back(typename L::value_type(new std::wstring(m_m.NewText())));
        }

    private:
        void Entry(const CField& f, BYTE& use)
        {
            if (m_m.Takes())
                use = use ? FALSE : TRUE;
        }
        template <class T>
        void Entry(const CField&, T& entry) { m_m.Mutate(entry); }

        CFieldMutator& m_m;
        R& m_r;
    };

    // Counts the leaf and tells whether it is one to change.
    bool Takes()
    {
        const int index = leaves++;
        ++m_k;
        return only < 0 || index == only;
    }
    int Other(int value, int low, int high)
    {
        const long long span = static_cast<long long>(high) - low + 1;
        return static_cast<int>(low + (static_cast<long long>(value) - low + 1 + m_k % (span - 1)) % span);
    }
    std::wstring NewText() { return L"あ<&>\"' 漢" + std::to_wstring(m_k) + L"x"; }

    unsigned m_k;
    unsigned m_paths = 0;
};

// The record with every field changed.
template <class R>
R Mutated(const R& from, unsigned seed = 1, const std::wstring& folder = L"C:\\settings")
{
    R r = from;
    CFieldMutator m(seed);
    m.folder = folder;
    m.Mutate(r);
    return r;
}

// A settings snapshot that differs from the defaults in every stored field.
inline CSetting UnusualSetting(const std::wstring& folder) { return Mutated(CSetting(), 1, folder); }

inline std::string Describe(const std::wstring& v) { return "\"" + Narrow(v) + "\""; }
inline std::string Describe(const RECT& r)
{
    std::ostringstream s;
    s << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
    return s.str();
}
template <class T>
std::string Describe(const T& v)
{
    std::ostringstream s;
    s << +v;
    return s.str();
}

// Fails once for each field, named by its path, whose values differ; texts
// of shared lists are compared by their text.
class CFieldComparison {
public:
    CStoredIn in = kEveryForm;
    std::string path;
    bool inPart = false;  // inside a record of a settings file part

    template <class R>
    void Compare(const R& a, const R& b)
    {
        CWalk<R> walk(*this, a, b);
        CFieldsOf<R>::Walk(walk);
    }

private:
    template <class R>
    class CWalk : public CFieldForms<CWalk<R>> {
    public:
        CWalk(CFieldComparison& c, const R& a, const R& b) : m_c(c), m_a(a), m_b(b) {}

        template <class Form, class T>
        void Leaf(const Form&, const CField& f, T R::*m) { m_c.Expect(f, SameValue(m_a.*m, m_b.*m), m_a.*m, m_b.*m); }
        template <class C, class... ColorBefore>
        void Record(const CField& f, C R::*m, ColorBefore...)
        {
            if (m_c.in != kSettingsFileParts && !m_c.Counts(f))
                return;
            const bool outer = m_c.inPart;
            m_c.inPart = outer || f.part != 0;
            m_c.Inside(f.element, [&] { m_c.Compare(m_a.*m, m_b.*m); });
            m_c.inPart = outer;
        }
        template <class T>
        void List(const CField& f, std::vector<T> R::*m, size_t)
        {
            const std::vector<T>& a = m_a.*m;
            const std::vector<T>& b = m_b.*m;
            if (!m_c.Counts(f) || !m_c.Expect(f, a.size() == b.size(), a.size(), b.size()))
                return;
            for (size_t i = 0; i < a.size(); ++i)
                m_c.Inside(std::wstring(f.item) + L"[" + std::to_wstring(i) + L"]", [&] { Entry(f, a[i], b[i]); });
        }
        template <class L, class S, class N>
        void Texts(const CField& f, L R::*items, S R::*, N R::*)
        {
            std::wstring a, b;
            for (const auto& item : m_a.*items)
                a += *item + L"|";
            for (const auto& item : m_b.*items)
                b += *item + L"|";
            m_c.Expect(f, a == b, a, b);
        }

    private:
        void Entry(const CField& f, BYTE a, BYTE b) { m_c.Expect(f, a == b, a, b); }
        template <class T>
        void Entry(const CField&, const T& a, const T& b) { m_c.Compare(a, b); }

        CFieldComparison& m_c;
        const R& m_a;
        const R& m_b;
    };

    bool Counts(const CField& f) const
    {
        switch (in) {
        case kRegistryForm: return !f.noRegistry;
        case kDecorationFile: return f.part == 0;
        case kSettingsFileParts: return f.part != 0 || inPart;
        default: return true;
        }
    }
    template <class T>
    bool Expect(const CField& f, bool same, const T& a, const T& b)
    {
        if (Counts(f) && !same)
            ADD_FAILURE() << path << Narrow(f.element) << ": " << Describe(a) << " against " << Describe(b);
        return same;
    }
    template <class F>
    void Inside(const std::wstring& name, F f)
    {
        const std::string saved = path;
        if (!name.empty())
            path += Narrow(name) + ".";
        f();
        path = saved;
    }
};

template <class R>
void ExpectSameFields(const R& a, const R& b, CStoredIn in = kEveryForm)
{
    CFieldComparison c;
    c.in = in;
    c.Compare(a, b);
}

// Whether every value lies within its limits: bringing it into range changes nothing.
template <class R>
void ExpectWithinLimits(const R& r)
{
    R clamped = r;
    ClampFields(clamped);
    ExpectSameFields(clamped, r);
}
