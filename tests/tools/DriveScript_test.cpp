// The UI driver's script lines: commands, their arguments and the escapes of
// their texts.
#include "tools/DriveScript.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <windows.h>

namespace {

// The reason a line is refused, empty when it is accepted.
std::wstring Refusal(const std::wstring& text)
{
    CDriveLine line;
    if (!ParseDriveLine(text, line))
        return L"(no command)";
    try {
        line.Check();
    } catch (const CDriveError& e) {
        return e.reason;
    }
    return L"";
}

} // namespace

TEST(DriveScript, LinesAreCheckedBeforeTheyRun)
{
    const struct {
        const wchar_t* line;
        bool accepted;
    } cases[] = {
        {L"start --fill 147", true}, {L"start", true},          {L"main", true},
        {L"main now", false},        {L"wait 正常終了", true},  {L"wait", false},
        {L"text 153", true},         {L"text x y", false},      {L"pick 159 二", true},
        {L"pick 159", false},        {L"check 182 1", true},    {L"check 182 2", false},
        {L"check 182", false},       {L"enabled 256 0", true},  {L"click 57664", true},
        {L"click 70000", false},     {L"click -1", false},      {L"click 1 2", false},
        {L"expect 260 %d", true},    {L"shot a.png", true},     {L"close", true}, {L"kill", true}, {L"kill 1", false},
        {L"exit 2", true},           {L"exit two", false},      {L"quit", false},
        {L"launch", true},           {L"key esc", true},        {L"key ctrl+a", true},
        {L"key", false},             {L"key ctrl+", false},     {L"key esc enter", false},
        {L"key hyper+a", false},     {L"key f13", false},       {L"focus 153", true},
        {L"focus", false},           {L"tab 1", true},          {L"tab one", false},
        {L"focused 256", true},      {L"focused", false},
        {L"press 152 200 40", true}, {L"press 152", true},      {L"press 152 200", false},
        {L"release", true},          {L"release 1", false},     {L"clickat 293", true},
        {L"clickat 293 4 x", false}, {L"size 900 700", true},   {L"size 900", false},
        {L"size 0 700", false},      {L"send 22 1 0", true},    {L"send 22 1", false},
        {L"fits 161", true},         {L"fits", false},          {L"expanded 14145 1", true},
        {L"expanded 14145", false},  {L"screen a.png", true},   {L"screen", false},
        {L"onscreen", true},         {L"onscreen 1", false},    {L"wheel 248 -2", true},
        {L"wheel 248", false},       {L"wheel 248 0", false},   {L"page 2", true},
        {L"page", false},
        {L"blank 157", true},        {L"blank", false},         {L"blank 157 x", false},
        {L"expect 212", true},       {L"contains 300 x", true}, {L"contains 300", false},
        {L"realclick 153 4 5", true}, {L"realclick 153 4", false}, {L"pickdropped 159 二", true},
        {L"pickdropped 159", false}, {L"type a b", true},       {L"type", false},
        {L"stored Settings/Unit LINE", true}, {L"stored Settings/Unit", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.accepted, Refusal(c.line).empty()) << std::string(c.line, c.line + wcslen(c.line));
    EXPECT_EQ(L"(no command)", Refusal(L"  # a comment"));
    EXPECT_EQ(L"(no command)", Refusal(L" \t"));
}

TEST(DriveScript, TextsKeepTheirSpacesAndEscapes)
{
    CDriveLine line;
    ASSERT_TRUE(ParseDriveLine(L"  text  153   two  words\\nnext \\\\n #1", line));
    EXPECT_EQ(L"text", line.command);
    EXPECT_EQ(153, line.Id(0));
    EXPECT_EQ(L"two  words\nnext \\n #1", line.Text(1));
    ASSERT_TRUE(ParseDriveLine(L"text 153", line));
    EXPECT_EQ(L"", line.Text(1));  // an empty text clears the control

    const std::vector<std::wstring> lines = SplitScriptLines("\xEF\xBB\xBFstart\r\nwait \xE6\xAD\xA3\r\n\nclose");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"start", lines[0]);
    EXPECT_EQ(L"wait \x6B63", lines[1]);
    EXPECT_EQ(L"", lines[2]);
    EXPECT_EQ(L"close", lines[3]);

    EXPECT_EQ(L"a\r\nb\r\nc", ToCrLf(L"a\nb\r\nc"));
    EXPECT_EQ(L"a\nb\rc", FromCrLf(L"a\r\nb\rc"));
}

TEST(DriveScript, KeyNamesWithTheirModifiers)
{
    const struct {
        const wchar_t* name;
        unsigned vk;
        bool ctrl, shift, alt;
    } cases[] = {
        {L"esc", VK_ESCAPE, false, false, false},   {L"Enter", VK_RETURN, false, false, false},
        {L"left", VK_LEFT, false, false, false},    {L"a", 'A', false, false, false},
        {L"7", '7', false, false, false},           {L"ctrl+a", 'A', true, false, false},
        {L"Ctrl+Shift+Z", 'Z', true, true, false},  {L"alt+f4", VK_F4, false, false, true},
        {L"shift+tab", VK_TAB, false, true, false}, {L"f12", VK_F12, false, false, false},
    };
    for (const auto& c : cases) {
        const CKeyStroke key = ParseKeyName(c.name);
        EXPECT_EQ(c.vk, key.vk) << Narrow(c.name);
        EXPECT_EQ(c.ctrl, key.ctrl) << Narrow(c.name);
        EXPECT_EQ(c.shift, key.shift) << Narrow(c.name);
        EXPECT_EQ(c.alt, key.alt) << Narrow(c.name);
    }
    for (const wchar_t* bad : {L"", L"escape!", L"ctrl+", L"f0", L"+a", L"ä"})
        EXPECT_THROW(ParseKeyName(bad), CDriveError) << Narrow(bad);
}
