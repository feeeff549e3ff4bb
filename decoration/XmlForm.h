// The settings records as XML elements, as walks over their field lists
// (FieldList.h): a record is an element whose children are its fields in
// list order, each value the text of its element (the encodings of the
// forms are CXmlText's). Writing and reading stop at the first failure and
// leave the reason in the document's error record.
//
// Reading takes each element by name among the children of its record (the
// first of that name; order and unknown elements do not matter), from one
// walk over those children, so that the reader's cost grows with the
// document, whatever number of siblings it holds. A field is
// required unless it may be missing or belongs to an optional part, which are
// read when present; a field that documents of the file's version lack keeps
// its value, and a record of a version before its own is made from the colour
// that stood for it. Lists are read by position, as many entries as the
// target holds: extra entries are ignored, a missing one fails; a text list
// reads at most limits::kMaxRecentTexts entries, the most it keeps.
#pragma once
#include "decoration/FieldList.h"
#include "foundation/Error.h"
#include "foundation/NamedValues.h"
#include "foundation/StringUtil.h"
#include "foundation/XmlDocument.h"
#include "foundation/XmlValue.h"
#include "resources/strings_decoration.h"
#include "resources/strings_foundation_io.h"
#include <cstdlib>
#include <string>
#include <vector>

// The text of each form's values and back. Read answers 0 or the message id
// of a text it refuses; the name tables throw my::CException instead.
class CXmlText {
public:
    std::wstring filePath;  // paths relative to its folder; empty: paths as they are

    template <class T>
    std::wstring Write(const CIntForm& form, T v) const { return FormatFixedPoint(static_cast<int>(v), form.decimals); }
    template <class T>
    UINT Read(const CIntForm& form, const std::wstring& text, T& v) const
    {
        int n = 0;
        if (!ParseFixedPoint(n, text, form.decimals))
            return IDS_XML_PARSE_INT_FAILED;
        v = static_cast<T>(n);
        return 0;
    }
    template <class T>
    std::wstring Write(const CAngleForm&, T v) const { return Write(CIntForm{0, 0, 0}, v); }
    template <class T>
    UINT Read(const CAngleForm&, const std::wstring& text, T& v) const { return Read(CIntForm{0, 0, 0}, text, v); }
    template <class T>
    std::wstring Write(const CBoolForm&, T v) const { return v ? L"true" : L"false"; }
    template <class T>
    UINT Read(const CBoolForm&, const std::wstring& text, T& v) const
    {
        if (text != L"true" && text != L"false")
            return IDS_XML_BOOL_INVALID;
        v = static_cast<T>(text == L"true" ? 1 : 0);
        return 0;
    }
    std::wstring Write(const CColorForm&, COLORREF v) const { return FormatColorHex(v); }
    UINT Read(const CColorForm&, const std::wstring& text, COLORREF& v) const
    {
        return ParseColorHex(v, text) ? 0 : IDS_XML_COLOR_UNKNOWN;
    }
    template <class Table, class T>
    std::wstring Write(const CEnumForm<Table>& form, T v) const { return form.table.ToName(v); }
    template <class Table, class T>
    UINT Read(const CEnumForm<Table>& form, const std::wstring& text, T& v) const
    {
        v = static_cast<T>(form.table.FromName(text));
        return 0;
    }
    template <class Table>
    std::wstring Write(const CFlagsForm<Table>& form, UINT v) const { return form.table.ToNames(v); }
    template <class Table>
    UINT Read(const CFlagsForm<Table>& form, const std::wstring& text, UINT& v) const
    {
        v = form.table.FromNames(text);
        return 0;
    }
    // Six significant digits whatever the user's settings; a text that is no
    // number reads as 0.
    std::wstring Write(const CDoubleForm&, double v) const { return FormatReal(v); }
    UINT Read(const CDoubleForm&, const std::wstring& text, double& v) const
    {
        v = _wtof(text.c_str());
        return 0;
    }
    // A text's bound is checked when it is written as when it is read: a
    // longer text is refused (thrown, with both lengths) on either side, so
    // that no document the program writes is refused when it is read. (What
    // a reader gets back is never longer: the document leaves out what XML
    // cannot carry, and MSXML trims the spaces at the ends.)
    std::wstring Write(const CTextForm& form, const std::wstring& v) const
    {
        CheckLength(v, form.most);
        return v;
    }
    UINT Read(const CTextForm& form, const std::wstring& text, std::wstring& v) const
    {
        CheckLength(text, form.most);
        v = text;
        return 0;
    }
    // A path's bound holds for the path the reader makes of the stored text
    // (a relative text joined to the file's folder), the one the record then
    // holds and the settings file may later store whole. It is checked on
    // the text the document holds, and trimmed as MSXML gives it back: a
    // shorter text may join where the longer one did not (" :x" is no
    // relative path to PathIsRelative, ":x" is).
    std::wstring Write(const CPathForm& form, const std::wstring& v) const
    {
        const std::wstring text = XmlCarriableText(filePath.empty() ? v : CXmlDocument::PathText(v, filePath));
        PathOf(form, text);
        PathOf(form, TrimCopyIf(text, [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }));
        return text;
    }
    UINT Read(const CPathForm& form, const std::wstring& text, std::wstring& v) const
    {
        v = PathOf(form, text);
        return 0;
    }
    std::wstring PathOf(const CPathForm& form, const std::wstring& text) const
    {
        CheckLength(text, form.most);
        const std::wstring path = filePath.empty() ? text : CXmlDocument::PathOfText(text, filePath);
        if (path.size() > form.most)
            throw my::CException(IDS_SETTING_PATH_TOO_LONG, GroupedDigits(path.size()), GroupedDigits(form.most));
        return path;
    }
    static void CheckLength(const std::wstring& text, size_t most)
    {
        if (text.size() > most)
            throw my::CException(IDS_SETTING_TEXT_TOO_LONG, GroupedDigits(text.size()), GroupedDigits(most));
    }
    std::wstring Write(const CCountForm&, size_t v) const { return UIntToString(static_cast<unsigned>(v)); }
    UINT Read(const CCountForm&, const std::wstring& text, size_t& v) const
    {
        return ParseSizeT(v, text) ? 0 : IDS_XML_PARSE_SIZE_FAILED;
    }
};

class CXmlForm {
public:
    CXmlDocument& doc;
    CXmlText text;
    DWORD version = kSettingsVersion;  // of the document read
    UINT parts = SettingPart::ALL;     // parts written
    std::vector<std::wstring> where;   // the elements from the root to the record being read

    // Far more than a value needs (ours are one text; a hand-edited one may
    // hold a comment), few enough that MSXML joins them at once.
    static const size_t kMostValueNodes = 64;

    explicit CXmlForm(CXmlDocument& document) : doc(document) {}
    // "Settings -> Borderings -> BorderingSetting[2] -> Size": where the
    // element `name` of the record being read stands (list entries counted
    // from 0, as the selection counts them).
    std::wstring Where(const std::wstring& name) const
    {
        std::wstring path;
        for (const std::wstring& element : where)
            path += element + L" -> ";
        return name.empty() && !path.empty() ? path.substr(0, path.size() - 4) : path + name;
    }
    // The value a reader refused (a long one by its start), where it stands
    // and in which file (or on the clipboard), for the message of the refusal.
    std::wstring ValueAt(const std::wstring& value, const std::wstring& name) const
    {
        const std::wstring shown = ShortenedForMessage(value);
        return text.filePath.empty() ? CSimpleErr::Format(IDS_SETTING_VALUE_IN_CLIPBOARD, shown, Where(name))
                                     : CSimpleErr::Format(IDS_SETTING_VALUE_IN_FILE, shown, Where(name), text.filePath);
    }
    // The text of `element`, the value `name` of the record being read (the
    // record's own place for an empty name), handed to parse, which answers 0
    // or the message id of a text it refuses. A refusal, and an exception of
    // a name table, say what the value is, where it stands and in which
    // file. An element of more than kMostValueNodes nodes is refused unread:
    // MSXML's text of an element joins its pieces at a cost that grows with
    // their number times the text's length (minutes for a million pieces).
    template <class Parse>
    bool ReadValue(IXMLDOMNode* element, const std::wstring& name, Parse parse)
    {
        std::wstring value;
        bool many = false;
        if (!doc.HoldsMoreNodesThan(element, kMostValueNodes, many))
            return false;
        if (many) {
            doc.m_err.Set(IDS_SETTING_VALUE_OF_MANY_NODES, Where(name), GroupedDigits(kMostValueNodes));
            return false;
        }
        if (!doc.GetText(element, value))
            return false;
        try {
            const UINT refused = parse(value);
            if (refused == 0)
                return true;
            doc.m_err.Set(refused, ValueAt(value, name));
        } catch (const my::CException& e) {
            doc.m_err = e;
            doc.m_err.message += L"\n\n" + ValueAt(value, name);
        }
        m_placed = true;
        return false;
    }
    // Adds the file (or the clipboard) to a failure that does not name it
    // yet: a missing element, a document without the root.
    void NameSource()
    {
        if (m_placed || !doc.m_err.IsError())
            return;
        doc.m_err.message += L"\n\n" + (text.filePath.empty() ? CSimpleErr::Format(IDS_SETTING_IN_CLIPBOARD)
                                                               : CSimpleErr::Format(IDS_SETTING_IN_FILE, text.filePath));
        m_placed = true;
    }
    // The element `name` under node with the text write(value) gives; a
    // value it refuses (a number no name stands for, a text over its bound)
    // is named with where it stands (`place`: the element, or a list's
    // entry "Item[2]") and the file (or the clipboard).
    template <class T, class Write>
    bool WriteValue(IXMLDOMNode* node, const std::wstring& name, const std::wstring& place, const T& value,
                    Write write)
    {
        std::wstring stored;
        try {
            stored = write(value);
        } catch (const my::CException& e) {
            doc.m_err = e;
            doc.m_err.message += L"\n\n" + ValueAt(Shown(value), place);
            return false;
        }
        return doc.AppendTextElement(node, name, stored);
    }

private:
    static const std::wstring& Shown(const std::wstring& text) { return text; }
    template <class T>
    static std::wstring Shown(T number) { return std::to_wstring(number); }

    bool m_placed = false;  // the error record names the file or the clipboard
};

// "item[2]": a list's entry, counted from 0 as XSLPattern, the documents'
// selection language, counts.
inline std::wstring Entry(const wchar_t* item, size_t index)
{
    return std::wstring(item) + L"[" + std::to_wstring(index) + L"]";
}

template <class R>
bool WriteXml(CXmlForm& form, IXMLDOMNode* element, const R& r);
template <class R>
bool ReadXml(CXmlForm& form, IXMLDOMNode* element, R& r);

template <class R>
class CXmlWriteWalk : public CFieldForms<CXmlWriteWalk<R>> {
public:
    bool ok = true;

    CXmlWriteWalk(CXmlForm& form, IXMLDOMNode* node, const R& r) : m_form(form), m_doc(form.doc), m_node(node), m_r(r)
    {}

    template <class Form, class T>
    void Leaf(const Form& form, const CField& f, T R::*m)
    {
        if (Writes(f))
            ok = m_form.WriteValue(m_node, f.element, f.element, m_r.*m,
                                   [&](const T& v) { return m_form.text.Write(form, v); });
    }
    void Leaf(const CRectForm&, const CField& f, RECT R::*m)
    {
        if (Writes(f))
            ok = m_doc.AppendRectElement(m_node, f.element, m_r.*m);
    }
    template <class C, class... ColorBefore>
    void Record(const CField& f, C R::*m, ColorBefore...)
    {
        CXmlDocument::CNode e;
        if (Writes(f))
            ok = m_doc.CreateElement(f.element, std::wstring(), e) &&
                 Inside(f.element, [&] { return WriteXml(m_form, e, m_r.*m); }) && m_doc.AppendChild(m_node, e);
    }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t most)
    {
        if (!Writes(f))
            return;
        CXmlDocument::CNode list = m_node;
        if (*f.element && !m_doc.CreateElement(f.element, std::wstring(), list)) {
            ok = false;
            return;
        }
        const std::vector<T>& entries = m_r.*m;
        if (*f.element)
            m_form.where.push_back(f.element);
        for (size_t i = 0; ok && i < entries.size() && i < most; ++i)
            ok = Inside(Entry(f.item, i), [&] { return WriteEntry(list, f.item, entries[i]); });
        if (*f.element)
            m_form.where.pop_back();
        if (ok && *f.element)
            ok = m_doc.AppendChild(m_node, list);
    }
    template <class L, class S, class N>
    void Texts(const CField& f, L R::*items, S R::*on, N R::*)
    {
        CXmlDocument::CNode list;
        if (!Writes(f) || !(m_r.*on))
            return;
        ok = m_doc.CreateElement(f.element, std::wstring(), list);
        m_form.where.push_back(f.element);
        size_t n = 0;
        for (auto i = (m_r.*items).begin(); ok && i != (m_r.*items).end(); ++i, ++n)
            ok = m_form.WriteValue(list, f.item, Entry(f.item, n), *i ? **i : std::wstring(), [&](const std::wstring& v) {
                return m_form.text.Write(CTextForm{limits::kMaxTextLength}, v);
            });
        m_form.where.pop_back();
        ok = ok && m_doc.AppendChild(m_node, list);
    }

private:
    template <class Write>
    bool Inside(const std::wstring& element, Write write)
    {
        m_form.where.push_back(element);
        const bool done = write();
        m_form.where.pop_back();
        return done;
    }
    bool Writes(const CField& f) const { return ok && (f.part == 0 || (m_form.parts & f.part) != 0); }
    bool WriteEntry(IXMLDOMNode* list, const wchar_t* name, BYTE use)
    {
        return m_doc.AppendTextElement(list, name, m_form.text.Write(CBoolForm(), use));
    }
    template <class T>
    bool WriteEntry(IXMLDOMNode* list, const wchar_t* name, const T& entry)
    {
        CXmlDocument::CNode e;
        return m_doc.CreateElement(name, std::wstring(), e) && WriteXml(m_form, e, entry) && m_doc.AppendChild(list, e);
    }

    CXmlForm& m_form;
    CXmlDocument& m_doc;
    IXMLDOMNode* m_node;
    const R& m_r;
};

// The names a record's fields take among its element's children, asked of
// an index before it is filled: the lists standing in the record as many
// entries as the target holds.
template <class R>
class CXmlWantWalk : public CFieldForms<CXmlWantWalk<R>> {
public:
    CXmlWantWalk(CXmlDocument::CChildIndex& children, const R& r) : m_children(children), m_r(r) {}

    template <class Form, class T>
    void Leaf(const Form&, const CField& f, T R::*) { m_children.Want(f.element); }
    template <class C, class... ColorBefore>
    void Record(const CField& f, C R::*, ColorBefore...)
    {
        m_children.Want(f.element);
        if (f.olderColor)
            m_children.Want(f.olderColor);
    }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t)
    {
        if (*f.element)
            m_children.Want(f.element);
        else
            m_children.Want(f.item, (m_r.*m).size());
    }
    template <class L, class S, class N>
    void Texts(const CField& f, L R::*, S R::*, N R::*) { m_children.Want(f.element); }

private:
    CXmlDocument::CChildIndex& m_children;
    const R& m_r;
};

// Each field is taken from the index of the record's children, each list's
// entries from one of the list's: one walk over every element's children.
template <class R>
class CXmlReadWalk : public CFieldForms<CXmlReadWalk<R>> {
public:
    bool ok = true;

    CXmlReadWalk(CXmlForm& form, const CXmlDocument::CChildIndex& children, R& r)
        : m_form(form), m_doc(form.doc), m_children(children), m_r(r)
    {}

    template <class Form, class T>
    void Leaf(const Form& form, const CField& f, T R::*m)
    {
        CXmlDocument::CNode e;
        if (Reads(f))
            ok = m_doc.SelectIndexed(m_children, f.element, e) && m_form.ReadValue(e, f.element, [&](const std::wstring& text) {
                     return m_form.text.Read(form, text, m_r.*m);
                 });
    }
    // All four sides or none.
    void Leaf(const CRectForm&, const CField& f, RECT R::*m)
    {
        CXmlDocument::CNode e;
        CXmlDocument::CChildIndex sides;
        long side[4] = {};
        const wchar_t* const names[4] = {L"left", L"top", L"right", L"bottom"};
        for (const wchar_t* name : names)
            sides.Want(name);
        if (!Reads(f) || !(ok = m_doc.SelectIndexed(m_children, f.element, e) && m_doc.IndexChildren(e, sides)))
            return;
        m_form.where.push_back(f.element);
        for (int i = 0; ok && i < 4; ++i) {
            CXmlDocument::CNode v;
            ok = m_doc.SelectIndexed(sides, names[i], v) && m_form.ReadValue(v, names[i], [&](const std::wstring& text) {
                     return ParseLong(side[i], text) ? 0u : UINT(IDS_XML_PARSE_LONG_FAILED);
                 });
        }
        m_form.where.pop_back();
        if (ok)
            SetRect(&(m_r.*m), side[0], side[1], side[2], side[3]);
    }
    template <class C>
    void Record(const CField& f, C R::*m, COLORREF (*colorBefore)(const R&) = nullptr)
    {
        CXmlDocument::CNode e;
        if (ok && f.since && m_form.version < f.since) {
            // A default record of the colour that stood for it.
            COLORREF color = colorBefore ? colorBefore(m_r) : 0;
            if (f.olderColor && !(ok = m_doc.SelectIndexed(m_children, f.olderColor, e) &&
                                       m_form.ReadValue(e, f.olderColor, [&](const std::wstring& text) {
                                           return m_form.text.Read(CColorForm(), text, color);
                                       })))
                return;
            m_r.*m = C();
            if (COLORREF* older = ColorOf(m_r.*m, 0))
                *older = color;
            return;
        }
        if (Reads(f))
            ok = m_doc.SelectIndexed(m_children, f.element, e) &&
                 Inside(f.element, [&] { return ReadXml(m_form, e, m_r.*m); });
    }
    template <class T>
    void List(const CField& f, std::vector<T> R::*m, size_t)
    {
        std::vector<T>& entries = m_r.*m;
        CXmlDocument::CNode list;
        CXmlDocument::CChildIndex own;
        own.Want(f.item, entries.size());
        if (!Reads(f) || (*f.element && !(ok = m_doc.SelectIndexed(m_children, f.element, list) &&
                                               m_doc.IndexChildren(list, own))))
            return;
        const CXmlDocument::CChildIndex& items = *f.element ? own : m_children;
        if (*f.element)
            m_form.where.push_back(f.element);
        for (size_t i = 0; ok && i < entries.size(); ++i) {
            CXmlDocument::CNode e;
            ok = m_doc.SelectIndexedEntry(items, f.item, i, e) &&
                 Inside(Entry(f.item, i), [&] { return ReadEntry(e, entries[i]); });
        }
        if (*f.element)
            m_form.where.pop_back();
    }
    template <class L, class S, class N>
    void Texts(const CField& f, L R::*items, S R::*on, N R::*)
    {
        CXmlDocument::CNode list;
        if (!Reads(f) || !(m_r.*on) || !(ok = m_doc.SelectIndexed(m_children, f.element, list)))
            return;
        (m_r.*items).clear();
        m_form.where.push_back(f.element);
        size_t i = 0;
        // Entries past the most a list keeps are not read, as a list's extra
        // entries are not: the cut after the walk would drop them.
        const bool walked = m_doc.WalkChildElements(list, [&](const std::wstring& name, IXMLDOMNode* e) {
            std::wstring text;
            if (name != f.item)
                return true;
            if (i == limits::kMaxRecentTexts)
                return false;
            ok = Inside(Entry(f.item, i++), [&] {
                return m_form.ReadValue(e, std::wstring(), [&](const std::wstring& value) {
                    return m_form.text.Read(CTextForm{limits::kMaxTextLength}, value, text);
                });
            });
            if (ok)
                (m_r.*items).push_back(typename L::value_type(new typename L::value_type::element_type(text)));
            return ok;
        });
        ok = ok && walked;
        m_form.where.pop_back();
    }

private:
    // A field the document should hold; false for one that an optional part
    // or the document's version leaves out.
    bool Reads(const CField& f)
    {
        if (!ok || (f.since && m_form.version < f.since))
            return false;
        return !(f.part || f.mayBeMissing) || m_children.Find(f.element);
    }
    template <class Read>
    bool Inside(const wchar_t* element, Read read)
    {
        m_form.where.push_back(element);
        const bool done = read();
        m_form.where.pop_back();
        return done;
    }
    template <class Read>
    bool Inside(const std::wstring& element, Read read) { return Inside(element.c_str(), read); }
    bool ReadEntry(IXMLDOMNode* e, BYTE& use)
    {
        return m_form.ReadValue(e, std::wstring(), [&](const std::wstring& text) { return m_form.text.Read(CBoolForm(), text, use); });
    }
    template <class T>
    bool ReadEntry(IXMLDOMNode* e, T& entry) { return ReadXml(m_form, e, entry); }

    CXmlForm& m_form;
    CXmlDocument& m_doc;
    const CXmlDocument::CChildIndex& m_children;
    R& m_r;
};

// The fields of r as children of `element`, or from them.
template <class R>
bool WriteXml(CXmlForm& form, IXMLDOMNode* element, const R& r)
{
    CXmlWriteWalk<R> walk(form, element, r);
    CFieldsOf<R>::Walk(walk);
    return walk.ok;
}

// The children of element that r's fields name, besides what `children`
// was asked already, in one walk; then r from them.
template <class R>
bool IndexFields(CXmlDocument& doc, IXMLDOMNode* element, const R& r, CXmlDocument::CChildIndex& children)
{
    CXmlWantWalk<R> want(children, r);
    CFieldsOf<R>::Walk(want);
    return doc.IndexChildren(element, children);
}

template <class R>
bool ReadIndexed(CXmlForm& form, const CXmlDocument::CChildIndex& children, R& r)
{
    CXmlReadWalk<R> walk(form, children, r);
    CFieldsOf<R>::Walk(walk);
    return walk.ok;
}

template <class R>
bool ReadXml(CXmlForm& form, IXMLDOMNode* element, R& r)
{
    CXmlDocument::CChildIndex children;
    return IndexFields(form.doc, element, r, children) && ReadIndexed(form, children, r);
}
