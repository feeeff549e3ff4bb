// Stored settings and what the program makes of them. The folder corpus/
// holds inputs and outputs, name.in.form and name.out.form, where form is
// "config" (a settings file, written with every part), "knt" (a decoration
// settings file), "clip" (the clipboard fragment of one decoration) or
// "regkeys" (an older version's registry key, see LoadRegistryText). An
// input is read as the program reads its form (a key is imported), the
// record is written again, and the bytes must be exactly the stored output
// (the input itself where no output is stored: it is then written unchanged);
// the output must read back to an equal record.
//
// The inputs: the defaults, every preset, the tests' unusual setting, a
// hundred random settings with numbers in and out of range, the documents
// of older versions the tests hold, and registry keys, from the first start
// to random and damaged ones.
#include "decoration/SettingXml.h"
#include "foundation/StringUtil.h"
#include "platform/FindFile.h"
#include "tests/decoration/RegistryTestKey.h"
#include "tests/decoration/SettingTestData.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cwchar>

namespace {

std::wstring CorpusFolder() { return SourceTreePath(L"tests/decoration/corpus"); }

// The names of the inputs, sorted.
std::vector<std::wstring> Inputs()
{
    std::vector<std::wstring> names;
    CFindFile find;
    for (bool more = find.FindFile((CorpusFolder() + L"\\*.in.*").c_str()); more; more = find.FindNextFile())
        names.push_back(find.GetFileName());
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring Unescape(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const wchar_t c = text[++i];
        out += c == L'n' ? L'\n' : c == L'r' ? L'\r' : c == L't' ? L'\t' : c;
    }
    return out;
}

// A key in the text form of the corpus: "[path]" opens a key below `root`
// ("[]" is the root itself), then "name=dword:hex", "name=sz:text" (with
// \\, \n, \r and \t escaped) or "name=hex(type):bytes" give its values;
// the name "@" is the default value.
bool LoadRegistryText(const CTestRegistryKey& root, const std::string& utf8)
{
    std::wstring path;
    size_t begin = 0;
    std::wstring text;
    MultiByteToWideString(CP_UTF8, 0, utf8, text);
    while (begin < text.size()) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line.empty())
            continue;
        if (line[0] == L'[') {
            path = line.substr(1, line.size() - 2);
            const DWORD marker = 0;
            // Makes the key, also one without values.
            if (!root.Set(path, L"knt-corpus-marker", REG_DWORD, &marker, sizeof marker))
                return false;
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, (path.empty() ? root.Path() : root.Sub(path)).c_str(), 0,
                              KEY_SET_VALUE, &key) != ERROR_SUCCESS)
                return false;
            RegDeleteValueW(key, L"knt-corpus-marker");
            RegCloseKey(key);
            continue;
        }
        const size_t equals = line.find(L'='), colon = line.find(L':', equals);
        if (equals == std::wstring::npos || colon == std::wstring::npos)
            return false;
        const std::wstring name = line.substr(0, equals), type = line.substr(equals + 1, colon - equals - 1);
        const std::wstring data = line.substr(colon + 1);
        const wchar_t* value = name == L"@" ? nullptr : name.c_str();
        bool ok = false;
        if (type == L"dword") {
            ok = root.SetDword(path, value, static_cast<DWORD>(wcstoul(data.c_str(), nullptr, 16)));
        } else if (type == L"sz") {
            ok = root.SetString(path, value, Unescape(data));
        } else if (type.compare(0, 4, L"hex(") == 0) {
            std::vector<BYTE> bytes;
            for (size_t i = 0; i + 1 < data.size(); i += 2)
                bytes.push_back(static_cast<BYTE>(wcstoul(data.substr(i, 2).c_str(), nullptr, 16)));
            ok = root.Set(path, value, wcstoul(type.c_str() + 4, nullptr, 10), bytes.data(),
                          static_cast<DWORD>(bytes.size()));
        }
        if (!ok)
            return false;
    }
    return true;
}

std::string Written(const CSetting& s, bool all, const std::wstring& path)
{
    CSettingXmlWriter writer;
    writer.SetWriteAll(all);
    writer.FilePath = path;
    std::string bytes;
    EXPECT_TRUE(writer.Build(s) && writer.GetBytes(bytes)) << Narrow(writer.m_err.message);
    return bytes;
}

std::string Fragment(const CBorderingSetting& b)
{
    CSettingXmlWriter writer;
    std::string bytes;
    HGLOBAL block = writer.WriteBorderingSettings(b);
    EXPECT_TRUE(block) << Narrow(writer.m_err.message);
    if (block) {
        bytes.assign(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
        GlobalUnlock(block);
        GlobalFree(block);
    }
    return bytes;
}

// A settings document in the temporary folder, read into fresh defaults.
bool ReadDocument(const std::wstring& path, const std::string& bytes, CSetting& s)
{
    CSettingXmlReader reader;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    const bool ok = reader.Read(s, path);
    EXPECT_TRUE(ok) << Narrow(reader.m_err.message);
    return ok;
}

} // namespace

TEST(SettingCorpus, EveryInputGivesItsStoredOutputAndReadsBack)
{
    const std::vector<std::wstring> inputs = Inputs();
    ASSERT_GE(inputs.size(), 130u) << Narrow(CorpusFolder());
    int forms[4] = {};
    for (const std::wstring& input : inputs) {
        SCOPED_TRACE(Narrow(input));
        const size_t at = input.find(L".in.");
        const std::wstring name = input.substr(0, at), form = input.substr(at + 4);
        const std::string in = ReadFileBytes(CorpusFolder() + L"\\" + input);
        std::string expected = ReadFileBytes(CorpusFolder() + L"\\" + name + L".out." + (form == L"regkeys" ? L"config" : form));
        if (expected.empty())
            expected = in;
        ASSERT_FALSE(in.empty());
        CTempFolder folder;
        if (form == L"clip") {
            ++forms[2];
            CBorderingSetting b;
            CSettingXmlReader reader;
            ASSERT_TRUE(reader.ReadBorderingSettingsBytes(b, in)) << Narrow(reader.m_err.message);
            const std::string out = Fragment(b);
            EXPECT_TRUE(out == expected);
            if (out != expected)
                WriteFileBytes(TestOutputPath(L"corpus-" + name + L".differs.clip"), out);
            CBorderingSetting back;
            CSettingXmlReader again;
            ASSERT_TRUE(again.ReadBorderingSettingsBytes(back, out)) << Narrow(again.m_err.message);
            EXPECT_TRUE(back == b);
            continue;
        }
        CSetting s;
        if (form == L"regkeys") {
            ++forms[3];
            CTestRegistryKey key;
            ASSERT_TRUE(LoadRegistryText(key, in));
            s.ImportRegistryFrom(HKEY_CURRENT_USER, key.Path());
        } else {
            ++forms[form == L"config" ? 0 : 1];
            ASSERT_TRUE(ReadDocument(folder.File(L"in." + form), in, s));
        }
        const bool all = form != L"knt";
        const std::wstring outPath = folder.File(all ? L"out.config" : L"out.knt");
        const std::string out = Written(s, all, outPath);
        EXPECT_TRUE(out == expected);
        if (out != expected)
            WriteFileBytes(TestOutputPath(L"corpus-" + name + L".differs." + (all ? L"config" : L"knt")), out);
        CSetting back;
        ASSERT_TRUE(ReadDocument(outPath, out, back));
        ExpectSameFields(s, back);
    }
    for (int count : forms)
        EXPECT_GT(count, 10);
}
