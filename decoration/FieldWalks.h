// Walks over the records' field lists (FieldList.h) that need no document:
// equality, bringing values read from outside into range, and the bounds of
// one number field.
#pragma once
#include "decoration/FieldList.h"
#include "decoration/SettingLimits.h"
#include <algorithm>
#include <functional>
#include <vector>

template <class R>
bool SameFields(const R& a, const R& b);
template <class R>
void ClampFields(R& r);

// The bounds of every angle field.
const CIntForm kAngleBounds = {0, -limits::kMaxAngle, limits::kMaxAngle};

// One value of a field: rectangles side by side, the rest by their own ==.
template <class T>
bool SameValue(const T& a, const T& b) { return a == b; }
inline bool SameValue(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// Equality field by field: doubles exactly, texts case by case, rectangles
// side by side, lists entry by entry, shared texts by identity.
template <class R>
class CSameFieldsWalk : public CFieldForms<CSameFieldsWalk<R>> {
public:
    bool same = true;

    CSameFieldsWalk(const R& a, const R& b) : m_a(a), m_b(b) {}
    template <class Form, class T>
    void Leaf(const Form&, const CField& f, T R::*m) { Take(f, SameValue(m_a.*m, m_b.*m)); }
    template <class C, class... ColorBefore>
    void Record(const CField& f, C R::*m, ColorBefore...) { Take(f, SameFields(m_a.*m, m_b.*m)); }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t)
    {
        const std::vector<T>& a = m_a.*m;
        const std::vector<T>& b = m_b.*m;
        bool equal = a.size() == b.size();
        for (size_t i = 0; equal && i < a.size(); ++i)
            equal = SameEntry(a[i], b[i]);
        Take(f, equal);
    }
    template <class L, class S, class N>
    void Texts(const CField& f, L R::*items, S R::*, N R::*) { Take(f, m_a.*items == m_b.*items); }

private:
    void Take(const CField& f, bool equal) { same = same && (f.notCompared || equal); }
    static bool SameEntry(BYTE a, BYTE b) { return a == b; }
    template <class T>
    static bool SameEntry(const T& a, const T& b) { return SameFields(a, b); }
    const R& m_a;
    const R& m_b;
};

template <class R>
bool SameFields(const R& a, const R& b)
{
    CSameFieldsWalk<R> walk(a, b);
    CFieldsOf<R>::Walk(walk);
    return walk.same;
}

// Every record with a field list of its own compares field by field.
// (CSetting's text and byte vectors are stored nowhere and not compared.)
template <class R, class = decltype(&R::template Fields<CSameFieldsWalk<R>>)>
bool operator==(const R& a, const R& b) { return SameFields(a, b); }
template <class R, class = decltype(&R::template Fields<CSameFieldsWalk<R>>)>
bool operator!=(const R& a, const R& b) { return !SameFields(a, b); }

// Numbers into their bounds, colours to 24 bits, enumerations outside their
// tables to their fallbacks, flags to their table's bits, lists and text
// lists to their limits.
template <class R>
class CClampWalk : public CFieldForms<CClampWalk<R>> {
public:
    explicit CClampWalk(R& r) : m_r(r) {}

    template <class Form, class T>
    void Leaf(const Form&, const CField&, T R::*) {}
    template <class T>
    void Leaf(const CIntForm& form, const CField&, T R::*m)
    {
        m_r.*m = static_cast<T>(ClampInt(static_cast<int>(m_r.*m), form.low, form.high));
    }
    template <class T>
    void Leaf(const CAngleForm&, const CField& f, T R::*m) { Leaf(kAngleBounds, f, m); }
    void Leaf(const CColorForm&, const CField&, COLORREF R::*m) { m_r.*m &= 0x00FFFFFF; }
    void Leaf(const CCountForm& form, const CField&, size_t R::*m) { m_r.*m = std::min(m_r.*m, form.most); }
    template <class Table, class T>
    void Leaf(const CEnumForm<Table>& form, const CField&, T R::*m)
    {
        if (!form.table.Has(static_cast<UINT>(m_r.*m)))
            m_r.*m = static_cast<T>(form.fallback);
    }
    template <class Table>
    void Leaf(const CFlagsForm<Table>& form, const CField&, UINT R::*m) { m_r.*m &= form.table.Mask(); }
    void Leaf(const CDoubleForm& form, const CField&, double R::*m)
    {
        m_r.*m = form.rule == kUnitInterval ? ClampUnit(m_r.*m) : ClampRate(m_r.*m);
    }
    template <class C, class... ColorBefore>
    void Record(const CField&, C R::*m, ColorBefore...) { ClampFields(m_r.*m); }
    template <class T>
    void List(const CField&, std::vector<T> R::*m, size_t most)
    {
        std::vector<T>& list = m_r.*m;
        if (list.size() > most)
            list.resize(most);
        for (T& entry : list)
            ClampEntry(entry);
    }
    // Cut once the walk is over: the limit may stand after the list and be
    // brought into range itself.
    template <class L, class S, class N>
    void Texts(const CField&, L R::*items, S R::*, N R::*most)
    {
        m_cuts.push_back([this, items, most] {
            while ((m_r.*items).size() > m_r.*most)
                (m_r.*items).pop_back();
        });
    }
    void CutTexts()
    {
        for (const auto& cut : m_cuts)
            cut();
    }

private:
    static void ClampEntry(BYTE&) {}
    template <class T>
    static void ClampEntry(T& entry) { ClampFields(entry); }
    R& m_r;
    std::vector<std::function<void()>> m_cuts;
};

template <class R>
void ClampFields(R& r)
{
    CClampWalk<R> walk(r);
    CFieldsOf<R>::Walk(walk);
    walk.CutTexts();
}

// The bounds the field list gives the int member `target` of R.
template <class R>
class CBoundsWalk : public CFieldForms<CBoundsWalk<R>> {
public:
    CIntForm bounds = {0, INT_MIN, INT_MAX};

    explicit CBoundsWalk(int R::*target) : m_target(target) {}
    template <class Form, class T>
    void Leaf(const Form&, const CField&, T R::*) {}
    void Leaf(const CIntForm& form, const CField&, int R::*m)
    {
        if (m == m_target)
            bounds = form;
    }
    void Leaf(const CAngleForm&, const CField& f, int R::*m) { Leaf(kAngleBounds, f, m); }
    template <class C, class... ColorBefore>
    void Record(const CField&, C R::*, ColorBefore...) {}
    template <class T>
    void List(const CField&, std::vector<T> R::*, size_t) {}
    template <class L, class S, class N>
    void Texts(const CField&, L R::*, S R::*, N R::*) {}

private:
    int R::*m_target;
};

template <class R>
CIntForm FieldBounds(int R::*member)
{
    CBoundsWalk<R> walk(member);
    CFieldsOf<R>::Walk(walk);
    return walk.bounds;
}
