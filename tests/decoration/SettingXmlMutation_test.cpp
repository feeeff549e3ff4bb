// Damaged documents of the three forms (settings file, decoration settings
// file, clipboard fragment): truncated, bits flipped, elements duplicated or
// removed, numbers replaced by huge, negative or non-numeric texts. Every
// case must end with an error or with values inside their limits, never
// with a crash or a hang, and what was read must be writable again.
#include "decoration/SettingXml.h"
#include "tests/decoration/SettingTestData.h"
#include <gtest/gtest.h>
#include <random>

namespace {

const char* const kNastyValues[] = {
    "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999", "-1", "0",
    "1e999", "-1e999", "NaN", "inf", "", " ", "0x10", "+5", "1.5.5", "214748364.8", "-0", "\xEF\xBF\xBF",
    "true", "TRIM_L|TRIM_L", "SVG_TAG", "255.255.255.255", "256.0.0.0", "&amp;", "4294967295",
};

class CMutator {
public:
    explicit CMutator(unsigned seed) : m_rng(seed) {}

    std::string Mutate(const std::string& base, int kind)
    {
        std::string s = base;
        switch (kind) {
        case 0:  // truncation
            s.resize(Pick(s.size()));
            break;
        case 1: {  // bit flips
            const int flips = 1 + static_cast<int>(Pick(4));
            for (int i = 0; i < flips; ++i)
                s[Pick(s.size())] ^= static_cast<char>(1 << Pick(8));
            break;
        }
        case 2:  // a duplicated element
        case 3: {  // a missing element
            size_t begin, end;
            if (FindElement(s, begin, end)) {
                if (kind == 2)
                    s.insert(end, s.substr(begin, end - begin));
                else
                    s.erase(begin, end - begin);
            }
            break;
        }
        default: {  // a value replaced
            size_t begin, end;
            if (FindLeafText(s, begin, end))
                s.replace(begin, end - begin, kNastyValues[Pick(sizeof kNastyValues / sizeof kNastyValues[0])]);
            break;
        }
        }
        return s;
    }

private:
    size_t Pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }

    // A random element "<Name>...</Name>" (the first closing tag of its name).
    bool FindElement(const std::string& s, size_t& begin, size_t& end)
    {
        for (int tries = 0; tries < 50; ++tries) {
            begin = s.find('<', Pick(s.size()));
            if (begin == std::string::npos || begin + 1 >= s.size() || s[begin + 1] == '/' || s[begin + 1] == '?')
                continue;
            const size_t nameEnd = s.find_first_of(" >", begin);
            if (nameEnd == std::string::npos)
                continue;
            const std::string close = "</" + s.substr(begin + 1, nameEnd - begin - 1) + ">";
            const size_t at = s.find(close, nameEnd);
            if (at == std::string::npos)
                continue;
            end = at + close.size();
            return true;
        }
        return false;
    }

    // The text of a random element that holds no other element.
    bool FindLeafText(const std::string& s, size_t& begin, size_t& end)
    {
        for (int tries = 0; tries < 50; ++tries) {
            const size_t gt = s.find('>', Pick(s.size()));
            if (gt == std::string::npos || gt + 1 >= s.size())
                continue;
            const size_t lt = s.find('<', gt + 1);
            if (lt == std::string::npos || lt + 1 >= s.size() || s[lt + 1] != '/' || s[gt - 1] == '/')
                continue;
            begin = gt + 1;
            end = lt;
            return true;
        }
        return false;
    }

    std::mt19937 m_rng;
};

// Within its limits, and with its five rows.
void ExpectUsable(const CSetting& s, const std::string& where)
{
    SCOPED_TRACE(where);
    ASSERT_EQ(5u, s.Borderings.size());
    ASSERT_EQ(5u, s.UseBorderings.size());
    ExpectWithinLimits(s);
}

struct CCounts {
    int cases = 0;
    int read = 0;
    int failed = 0;
};

} // namespace

TEST(SettingXmlMutation, ThreeFormsNeverCrashOrEscapeLimits)
{
    CTempFolder folder;
    const CSetting original = UnusualSetting(folder.Path());
    const std::wstring settingsPath = folder.File(L"base.config");
    const std::wstring decorationPath = folder.File(L"base.knt");
    CSettingXmlWriter all;
    all.SetWriteAll(true);
    ASSERT_TRUE(all.Write(original, settingsPath));
    CSettingXmlWriter knt;
    ASSERT_TRUE(knt.Write(original, decorationPath));
    CSettingXmlWriter clip;
    std::string fragment;
    {
        HGLOBAL block = clip.WriteBorderingSettings(original.Borderings[1]);
        ASSERT_TRUE(block);
        const char* p = static_cast<const char*>(GlobalLock(block));
        fragment.assign(p, strnlen(p, GlobalSize(block)));
        GlobalUnlock(block);
        GlobalFree(block);
    }
    const std::string bases[3] = {ReadFileBytes(settingsPath), ReadFileBytes(decorationPath), fragment};

    CMutator mutator(20240611);
    CCounts counts[3];
    const int perForm = 400;
    const std::wstring target = folder.File(L"mutated.config");
    for (int form = 0; form < 3; ++form) {
        for (int i = 0; i < perForm; ++i) {
            const int kind = i % 5;
            const std::string bytes = mutator.Mutate(bases[form], kind);
            const std::string where = "form " + std::to_string(form) + " case " + std::to_string(i);
            ++counts[form].cases;
            if (form < 2) {
                ASSERT_TRUE(WriteFileBytes(target, bytes));
                CSetting s;
                CSettingXmlReader reader;
                const bool ok = reader.Read(s, target);
                if (ok) {
                    ++counts[form].read;
                    EXPECT_EQ(0u, reader.m_err.id) << where;
                } else {
                    ++counts[form].failed;
                    EXPECT_NE(0u, reader.m_err.id) << where;
                    EXPECT_FALSE(reader.m_err.message.empty()) << where;
                }
                ExpectUsable(s, where);
                // Whatever was read can be saved again.
                CSettingXmlWriter again;
                again.SetWriteAll(true);
                std::string out;
                EXPECT_TRUE(again.Build(s) && again.GetBytes(out)) << where << " " << Narrow(again.m_err.message);
            } else {
                CBorderingSetting b;
                CSettingXmlReader reader;
                const bool ok = reader.ReadBorderingSettingsBytes(b, bytes);
                ok ? ++counts[form].read : ++counts[form].failed;
                EXPECT_EQ(ok, reader.m_err.id == 0) << where;
                {
                    SCOPED_TRACE(where);
                    ExpectWithinLimits(b);
                }
                CSettingXmlWriter again;
                HGLOBAL block = again.WriteBorderingSettings(b);
                EXPECT_TRUE(block) << where << " " << Narrow(again.m_err.message);
                if (block)
                    GlobalFree(block);
            }
        }
    }
    int total = 0;
    for (const CCounts& c : counts) {
        total += c.cases;
        // Both outcomes must occur, or the mutations test nothing.
        EXPECT_GT(c.read, 0);
        EXPECT_GT(c.failed, 0);
    }
    EXPECT_GE(total, 1000);
    std::printf("mutations: settings %d read / %d failed, knt %d / %d, clipboard %d / %d\n", counts[0].read,
                counts[0].failed, counts[1].read, counts[1].failed, counts[2].read, counts[2].failed);
}
