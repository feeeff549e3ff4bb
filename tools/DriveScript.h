// The UI driver's script language, apart from the windows it works: lines,
// words, numbers and texts with their escapes, and the text comparisons.
#pragma once
#include <string>
#include <vector>

struct CDriveError {
    std::wstring reason;
};

// One command line: the command word and the rest after it. The accessors
// throw CDriveError for a missing or malformed argument.
struct CDriveLine {
    std::wstring command;
    std::wstring rest;

    // Whether the arguments suit the command (their number and form).
    void Check() const;
    // How many words the arguments hold.
    size_t Words() const;
    // The index-th word as a control id (0 to 65535) or any integer.
    int Id(size_t index) const;
    int Number(size_t index) const;
    // The index-th word, "0" or "1".
    bool Flag(size_t index) const;
    // The index-th word as it is written.
    std::wstring WordAt(size_t index) const;
    // Everything from the index-th word to the end, escapes resolved.
    std::wstring Text(size_t index) const;
};

// A key as a user presses it: a virtual key with the modifiers held down.
struct CKeyStroke {
    unsigned vk = 0;
    bool ctrl = false, shift = false, alt = false;
};
// "esc", "enter", "left", "f2", "a", "ctrl+a", "shift+tab", ...: modifiers
// (ctrl, shift, alt) joined to the key by "+", without regard to case.
// Throws CDriveError for a name it does not know.
CKeyStroke ParseKeyName(const std::wstring& name);

// UTF-8 script bytes into lines (a byte order mark and CRs dropped).
std::vector<std::wstring> SplitScriptLines(const std::string& utf8);
// False for a blank line and a comment (first visible character "#").
bool ParseDriveLine(const std::wstring& line, CDriveLine& out);
// "\n" becomes a line break and "\\" a backslash; other backslashes stay.
std::wstring UnescapeDriveText(const std::wstring& text);
bool ContainsText(const std::wstring& haystack, const std::wstring& needle);
std::wstring ToCrLf(const std::wstring& text);
std::wstring FromCrLf(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);
