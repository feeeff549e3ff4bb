// Names of the files a document refers to beside itself (texture images of
// an SVG document): the split output path and the template that names them.
#pragma once
#include <string>

// Replaces every occurrence of `what`; the search goes on behind each
// replacement in the source, so a replacement is never searched again.
// True when anything was replaced. A null source gives an empty text; an
// empty or null `what` changes nothing; a null `with` counts as empty.
bool ReplaceAll(std::wstring& text, const wchar_t* what, const wchar_t* with);
bool ReplaceAll(std::wstring& out, const wchar_t* source, const wchar_t* what, const wchar_t* with);

std::wstring SlashesToForward(const std::wstring& text);
std::wstring SlashesToBackward(const std::wstring& text);

class COutputPathParts {
public:
    std::wstring path;
    // Up to and including the last '\' or '/'; empty without one.
    std::wstring folder;
    // The file name up to its last '.'.
    std::wstring stem;
    // After that '.', without it; empty when the name has no dot.
    std::wstring extension;
    std::wstring imageExtension = L"png";

    void SetPath(const std::wstring& outputPath);
    // <fname> the stem, <ext> the extension given, <index> the index and
    // <no> the index + 1, in that order; then '\' becomes '/'.
    std::wstring ExpandTemplate(const std::wstring& templ, int index, const std::wstring& ext) const;
    // The folder and the expanded template, with '\' separators, canonical.
    std::wstring MakeFilePath(const std::wstring& templ, int index, const std::wstring& ext) const;
};
