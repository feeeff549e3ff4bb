#include "outline/OutputPath.h"
#include "foundation/PathUtil.h"
#include <cwchar>

bool ReplaceAll(std::wstring& out, const wchar_t* source, const wchar_t* what, const wchar_t* with)
{
    if (!source) {
        out.clear();
        return false;
    }
    const std::wstring src(source);
    if (!what || !*what) {
        out = src;
        return false;
    }
    const size_t whatLength = std::wcslen(what);
    const std::wstring replacement = with ? with : L"";
    std::wstring result;
    bool replaced = false;
    size_t from = 0;
    for (;;) {
        const size_t at = src.find(what, from, whatLength);
        if (at == std::wstring::npos)
            break;
        result.append(src, from, at - from);
        result += replacement;
        from = at + whatLength;
        replaced = true;
    }
    result.append(src, from, std::wstring::npos);
    out.swap(result);
    return replaced;
}

bool ReplaceAll(std::wstring& text, const wchar_t* what, const wchar_t* with)
{
    const std::wstring source = text;
    return ReplaceAll(text, source.c_str(), what, with);
}

std::wstring SlashesToForward(const std::wstring& text)
{
    std::wstring out = text;
    for (wchar_t& c : out)
        if (c == L'\\')
            c = L'/';
    return out;
}

std::wstring SlashesToBackward(const std::wstring& text)
{
    std::wstring out = text;
    for (wchar_t& c : out)
        if (c == L'/')
            c = L'\\';
    return out;
}

void COutputPathParts::SetPath(const std::wstring& outputPath)
{
    path = outputPath;
    stem.clear();
    extension.clear();
    SplitFileTitleExt(path, stem, extension);
    folder = path;
    std::wstring name;
    SplitPathFileName(folder, name);
}

std::wstring COutputPathParts::ExpandTemplate(const std::wstring& templ, int index, const std::wstring& ext) const
{
    std::wstring text = templ;
    ReplaceAll(text, L"<fname>", stem.c_str());
    ReplaceAll(text, L"<ext>", ext.c_str());
    ReplaceAll(text, L"<index>", std::to_wstring(index).c_str());
    ReplaceAll(text, L"<no>", std::to_wstring(index + 1).c_str());
    return SlashesToForward(text);
}

std::wstring COutputPathParts::MakeFilePath(const std::wstring& templ, int index, const std::wstring& ext) const
{
    std::wstring file = SlashesToBackward(folder + ExpandTemplate(templ, index, ext));
    CanonicalizePathInPlace(file);
    return file;
}
