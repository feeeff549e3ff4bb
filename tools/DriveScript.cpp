#include "tools/DriveScript.h"
#include <windows.h>
#include <cwchar>
#include <cwctype>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Start of the index-th word of text, or npos when there are fewer words.
size_t WordStart(const std::wstring& text, size_t index)
{
    size_t i = 0;
    for (;;) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size())
            return std::wstring::npos;
        if (index-- == 0)
            return i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
    }
}

std::wstring Word(const std::wstring& text, size_t index)
{
    const size_t start = WordStart(text, index);
    if (start == std::wstring::npos)
        throw CDriveError{L"argument " + std::to_wstring(index + 1) + L" is missing"};
    size_t end = start;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    return text.substr(start, end - start);
}

size_t WordCount(const std::wstring& text)
{
    size_t n = 0;
    while (WordStart(text, n) != std::wstring::npos)
        ++n;
    return n;
}

long ParseLong(const std::wstring& word)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(word.c_str(), &end, 10);
    if (word.empty() || *end != L'\0')
        throw CDriveError{L"\"" + word + L"\" is not a number"};
    return value;
}

// The keys by name; letters and digits stand for themselves.
const struct {
    const wchar_t* name;
    unsigned vk;
} kKeys[] = {
    {L"esc", VK_ESCAPE},    {L"enter", VK_RETURN},  {L"tab", VK_TAB},       {L"space", VK_SPACE},
    {L"backspace", VK_BACK}, {L"delete", VK_DELETE}, {L"insert", VK_INSERT}, {L"home", VK_HOME},
    {L"end", VK_END},        {L"pageup", VK_PRIOR},  {L"pagedown", VK_NEXT}, {L"left", VK_LEFT},
    {L"right", VK_RIGHT},    {L"up", VK_UP},         {L"down", VK_DOWN},
};

} // namespace

CKeyStroke ParseKeyName(const std::wstring& name)
{
    CKeyStroke key;
    std::wstring rest = name;
    for (;;) {
        const size_t plus = rest.find(L'+');
        if (plus == std::wstring::npos || plus + 1 == rest.size())
            break;
        const std::wstring modifier = rest.substr(0, plus);
        if (_wcsicmp(modifier.c_str(), L"ctrl") == 0)
            key.ctrl = true;
        else if (_wcsicmp(modifier.c_str(), L"shift") == 0)
            key.shift = true;
        else if (_wcsicmp(modifier.c_str(), L"alt") == 0)
            key.alt = true;
        else
            throw CDriveError{L"\"" + modifier + L"\" is not a modifier (ctrl, shift, alt)"};
        rest.erase(0, plus + 1);
    }
    if (rest.empty())
        throw CDriveError{L"no key is named"};
    if (rest.size() == 1 && iswalnum(rest[0]) && rest[0] < 0x80) {
        key.vk = towupper(rest[0]);
        return key;
    }
    for (const auto& k : kKeys)
        if (_wcsicmp(rest.c_str(), k.name) == 0) {
            key.vk = k.vk;
            return key;
        }
    if ((rest[0] == L'f' || rest[0] == L'F') && rest.size() <= 3) {
        wchar_t* end = nullptr;
        const long n = std::wcstol(rest.c_str() + 1, &end, 10);
        if (*end == L'\0' && n >= 1 && n <= 12) {
            key.vk = VK_F1 + static_cast<unsigned>(n - 1);
            return key;
        }
    }
    throw CDriveError{L"\"" + rest + L"\" is not a key name"};
}

void CDriveLine::Check() const
{
    const std::wstring& c = command;
    const size_t words = WordCount(rest);
    if (c == L"start" || c == L"launch")
        return;
    if (c == L"main" || c == L"close" || c == L"kill" || c == L"release" || c == L"onscreen") {
        if (words != 0)
            throw CDriveError{c + L" takes no argument"};
    } else if (c == L"key") {
        if (words != 1)
            throw CDriveError{L"key takes one key name"};
        ParseKeyName(Word(rest, 0));
    } else if (c == L"focus" || c == L"focused" || c == L"tab" || c == L"page" || c == L"fits" || c == L"blank") {
        if (words != 1)
            throw CDriveError{c + L" takes one number"};
        Id(0);
    } else if (c == L"press" || c == L"clickat" || c == L"realclick") {
        // An id, and a point in its client area or none (its middle).
        Id(0);
        if (words != 1 && words != 3)
            throw CDriveError{c + L" takes an id and an x and y, or an id alone"};
        if (words == 3) {
            Number(1);
            Number(2);
        }
    } else if (c == L"wheel") {
        Id(0);
        if (words != 2 || Number(1) == 0)
            throw CDriveError{L"wheel takes an id and a number of notches other than 0"};
    } else if (c == L"size") {
        if (words != 2 || Number(0) <= 0 || Number(1) <= 0)
            throw CDriveError{L"size takes a width and a height in pixels"};
    } else if (c == L"send") {
        if (words != 3)
            throw CDriveError{L"send takes a message number and its two parameters"};
        Id(0);
        Number(1);
        Number(2);
    } else if (c == L"expanded") {
        Id(0);
        Flag(1);
        if (words != 2)
            throw CDriveError{L"expanded takes an id and 0 or 1"};
    } else if (c == L"wait" || c == L"waitlong" || c == L"shot" || c == L"screen" || c == L"type") {
        Text(0);
    } else if (c == L"text" || c == L"expect") {
        Id(0);
    } else if (c == L"stored") {
        Text(1);
    } else if (c == L"pick" || c == L"pickdropped" || c == L"contains") {
        Id(0);
        Text(1);
    } else if (c == L"check" || c == L"enabled") {
        Id(0);
        Flag(1);
        if (words != 2)
            throw CDriveError{c + L" takes an id and 0 or 1"};
    } else if (c == L"click" || c == L"exit") {
        Number(0);
        if (words != 1)
            throw CDriveError{c + L" takes one number"};
        if (c == L"click")
            Id(0);
    } else {
        throw CDriveError{L"unknown command"};
    }
}

size_t CDriveLine::Words() const { return WordCount(rest); }

int CDriveLine::Number(size_t index) const { return static_cast<int>(ParseLong(Word(rest, index))); }

int CDriveLine::Id(size_t index) const
{
    const long id = ParseLong(Word(rest, index));
    if (id < 0 || id > 0xFFFF)
        throw CDriveError{L"a control id lies between 0 and 65535"};
    return static_cast<int>(id);
}

bool CDriveLine::Flag(size_t index) const
{
    const std::wstring word = Word(rest, index);
    if (word != L"0" && word != L"1")
        throw CDriveError{L"expected 0 or 1, not \"" + word + L"\""};
    return word == L"1";
}

std::wstring CDriveLine::WordAt(size_t index) const { return Word(rest, index); }

std::wstring CDriveLine::Text(size_t index) const
{
    const size_t start = WordStart(rest, index);
    if (start == std::wstring::npos) {
        // A text to type may be empty; one to look for may not.
        if (command == L"text" || command == L"expect")
            return std::wstring();
        throw CDriveError{L"argument " + std::to_wstring(index + 1) + L" is missing"};
    }
    return UnescapeDriveText(rest.substr(start));
}

std::vector<std::wstring> SplitScriptLines(const std::string& utf8)
{
    std::string bytes = utf8;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::wstring text;
    if (!bytes.empty()) {
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.resize(static_cast<size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    }
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != L'\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

bool ParseDriveLine(const std::wstring& line, CDriveLine& out)
{
    const size_t start = WordStart(line, 0);
    if (start == std::wstring::npos || line[start] == L'#')
        return false;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    out.command = line.substr(start, end - start);
    // One blank separates the command from its arguments; the rest is kept
    // as written, so texts keep their inner spaces.
    out.rest = end < line.size() ? line.substr(end + 1) : std::wstring();
    return true;
}

std::wstring UnescapeDriveText(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && (text[i + 1] == L'n' || text[i + 1] == L'\\')) {
            out += text[i + 1] == L'n' ? L'\n' : L'\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ContainsText(const std::wstring& haystack, const std::wstring& needle)
{
    return haystack.find(needle) != std::wstring::npos;
}

std::wstring ToCrLf(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : FromCrLf(text)) {
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

std::wstring FromCrLf(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            continue;
        out += text[i];
    }
    return out;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}
