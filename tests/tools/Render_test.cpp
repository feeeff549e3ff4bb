// The render tool as a person runs it: a settings file, a three-line text and
// a folder; one file per line, or one document of three pages. The files stay
// in build/test-output/render-* for a look.
#include "decoration/SettingXml.h"
#include "foundation/ResourceString.h"
#include "platform/GdiPlus.h"
#include "imaging/GdiPlusBitmap.h"
#include "resources/strings_engine.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring RenderExe() { return BuildPath(L"tools\\render.exe"); }

struct CRunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

// Reads a pipe to its end on a thread of its own, so neither pipe can fill up.
DWORD WINAPI Drain(void* p)
{
    auto* args = static_cast<std::pair<HANDLE, std::string*>*>(p);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(args->first, buf, sizeof buf, &got, nullptr) && got > 0)
        args->second->append(buf, got);
    return 0;
}

CRunResult RunRender(const std::vector<std::wstring>& args)
{
    CRunResult r;
    std::wstring cmd = L"\"" + RenderExe() + L"\"";
    for (const std::wstring& a : args)
        cmd += L" \"" + a + L"\"";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &sa, 0) || !CreatePipe(&errRead, &errWrite, &sa, 0))
        return r;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        std::pair<HANDLE, std::string*> a(outRead, &r.out), b(errRead, &r.err);
        HANDLE threads[2] = {CreateThread(nullptr, 0, Drain, &a, 0, nullptr),
                             CreateThread(nullptr, 0, Drain, &b, 0, nullptr)};
        WaitForSingleObject(pi.hProcess, 120000);
        GetExitCodeProcess(pi.hProcess, &r.exitCode);
        WaitForMultipleObjects(2, threads, TRUE, 10000);
        CloseHandle(threads[0]);
        CloseHandle(threads[1]);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return r;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (!l.empty())
            lines.push_back(l);
        start = end + 1;
    }
    return lines;
}

std::wstring Wide(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

const char kThreeLines[] = "縁取り\r\nLine two\r\n\r\n三行目\r\n";

CSetting ToolSetting(UINT type, bool singleFile)
{
    CSetting s;
    s.FontSetting.FontFace = L"IPAGothic";
    s.FontSetting.CharSet = SHIFTJIS_CHARSET;
    s.FontSetting.Size = 400;
    s.PaintSetting.Color = RGB(0xE0, 0x30, 0x30);
    for (size_t i = 0; i < s.UseBorderings.size(); ++i)
        s.UseBorderings[i] = i < 2;
    s.Borderings[0].SetPreset(30, RGB(255, 255, 255), 100, 0, 120, 0);
    s.Borderings[1].SetPreset(30, RGB(0, 0, 0), 100, 20, 120, 20);
    s.SaveFormat.Type = type;
    s.SingleFile = singleFile;
    s.Unit = TextUnit::LINE;
    s.FnameType = FnameType::SEQ_TEXT;
    s.FnameSeqWidth = 2;
    s.Transparent = type != OutputType::JPEG;
    return s;
}

// Writes the settings and the text, runs the tool into test-output\<name>.
CRunResult RunFormat(const wchar_t* name, const CSetting& setting, std::wstring& folder)
{
    CTempFolder temp;
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    EXPECT_TRUE(writer.Write(setting, temp.File(L"job.knt"))) << Narrow(writer.GetError().message);
    EXPECT_TRUE(WriteFileBytes(temp.File(L"text.txt"), kThreeLines));
    folder = TestOutputPath(std::wstring(L"render-") + name);
    return RunRender({temp.File(L"job.knt"), temp.File(L"text.txt"), folder});
}

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, strlen(prefix), prefix) == 0; }

TEST(RenderToolTest, EveryFormatOneFilePerLine)
{
    struct Case {
        const wchar_t* name;
        UINT type;
        const char* ext;
        const char* magic;
    } cases[] = {
        {L"png", OutputType::PNG, ".png", "\x89PNG"},  {L"jpeg", OutputType::JPEG, ".jpg", "\xFF\xD8\xFF"},
        {L"svg", OutputType::SVG, ".svg", nullptr},    {L"html", OutputType::SVG_TAG, ".html", nullptr},
        {L"emf", OutputType::EMF, ".emf", "\x01\x00\x00\x00"}, {L"pdf", OutputType::PDF, ".pdf", "%PDF"},
    };
    for (const Case& c : cases) {
        std::wstring folder;
        CRunResult r = RunFormat(c.name, ToolSetting(c.type, false), folder);
        ASSERT_EQ(0u, r.exitCode) << Narrow(c.name) << ": " << r.err;
        std::vector<std::string> files = Lines(r.out);
        ASSERT_EQ(3u, files.size()) << r.out;
        const char* titles[] = {"01_縁取り", "02_Line two", "03_三行目"};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NE(std::string::npos, files[i].find(std::string(titles[i]) + c.ext)) << files[i];
            std::string bytes = ReadFileBytes(Wide(files[i]));
            ASSERT_GT(bytes.size(), 100u) << files[i];
            if (c.magic) {
                EXPECT_TRUE(StartsWith(bytes, c.magic)) << files[i];
            }
            if (c.type == OutputType::SVG || c.type == OutputType::SVG_TAG) {
                EXPECT_NE(std::string::npos, bytes.find("<svg")) << files[i];
            }
            if (c.type == OutputType::SVG || c.type == OutputType::SVG_TAG) {
                // The file form has its XML prologue; the tag for a page has none.
                EXPECT_EQ(c.type == OutputType::SVG, StartsWith(bytes, "<?xml")) << files[i];
            }
        }
        if (c.type == OutputType::PNG || c.type == OutputType::JPEG) {
            Gdiplus::GpImage* image = nullptr;
            ASSERT_EQ(Gdiplus::Ok, Gdiplus::DllExports::GdipLoadImageFromFile(Wide(files[0]).c_str(), &image));
            UINT w = 0, h = 0;
            Gdiplus::DllExports::GdipGetImageWidth(image, &w);
            Gdiplus::DllExports::GdipGetImageHeight(image, &h);
            Gdiplus::DllExports::GdipDisposeImage(image);
            EXPECT_GT(w, 2 * 40u);
            EXPECT_GT(h, 40u);
        }
        if (c.type == OutputType::EMF) {
            HENHMETAFILE emf = GetEnhMetaFileW(Wide(files[1]).c_str());
            ASSERT_TRUE(emf != nullptr);
            ENHMETAHEADER header = {};
            EXPECT_GT(GetEnhMetaFileHeader(emf, sizeof header, &header), 0u);
            EXPECT_GT(header.nRecords, 10u);
            DeleteEnhMetaFile(emf);
        }
    }
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(RenderToolTest, OneDocumentOfThreePages)
{
    struct Case {
        const wchar_t* name;
        UINT type;
    } cases[] = {{L"pdf-one-file", OutputType::PDF}, {L"html-one-file", OutputType::SVG_TAG}};
    for (const Case& c : cases) {
        std::wstring folder;
        CRunResult r = RunFormat(c.name, ToolSetting(c.type, true), folder);
        ASSERT_EQ(0u, r.exitCode) << r.err;
        std::vector<std::string> files = Lines(r.out);
        ASSERT_EQ(1u, files.size()) << r.out;
        EXPECT_NE(std::string::npos, files[0].find("01_縁取り")) << "named after the first unit";
        std::string bytes = ReadFileBytes(Wide(files[0]));
        if (c.type == OutputType::PDF) {
            EXPECT_TRUE(StartsWith(bytes, "%PDF"));
            EXPECT_EQ(3u, Count(bytes, "/Type /Page") - Count(bytes, "/Type /Pages")) << "three pages";
        } else {
            EXPECT_EQ(3u, Count(bytes, "<svg"));
        }
    }
}

// Three tools saving the same 50 names into one folder at once, round after round, as three program
// instances: every save succeeds and every file is whole (another's replace has a name away for moments).
TEST(RenderToolTest, ThreeToolsSavingTheSameNamesAllSucceed)
{
    CSetting setting = ToolSetting(OutputType::EMF, false);
    setting.FnameType = FnameType::TEXT;
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "縁" + std::to_string(i) + "\r\n";
    CTempFolder temp, out;
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    ASSERT_TRUE(writer.Write(setting, temp.File(L"job.knt")) && WriteFileBytes(temp.File(L"text.txt"), text));
    for (int round = 0; round < 8; ++round) {
        CRunResult runs[3];
        std::thread tools[3];
        for (int t = 0; t < 3; ++t)
            tools[t] = std::thread([&, t] { runs[t] = RunRender({temp.File(L"job.knt"), temp.File(L"text.txt"), out.Path()}); });
        for (std::thread& t : tools)
            t.join();
        for (const CRunResult& r : runs) {
            ASSERT_EQ(0u, r.exitCode) << "round " << round << ": " << r.err;
            EXPECT_EQ(50u, Lines(r.out).size());
            for (const std::string& file : Lines(r.out)) {
                const std::string bytes = ReadFileBytes(Wide(file));
                EXPECT_TRUE(bytes.size() > sizeof(ENHMETAHEADER) &&
                            bytes.size() == reinterpret_cast<const ENHMETAHEADER*>(bytes.data())->nBytes) << file;
            }
        }
    }
    EXPECT_EQ(50, CountFiles(out.Path()));
}

TEST(RenderToolTest, FailuresExitWithTheMessage)
{
    CTempFolder temp;
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    ASSERT_TRUE(writer.Write(ToolSetting(OutputType::PNG, false), temp.File(L"job.knt")));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"blank.txt"), " \r\n\t\r\n"));
    CRunResult blank = RunRender({temp.File(L"job.knt"), temp.File(L"blank.txt"), temp.File(L"out")});
    EXPECT_EQ(1u, blank.exitCode);
    EXPECT_EQ(Narrow(LoadResourceString(IDS_TEXT_EMPTY)), Lines(blank.err).at(0));

    CRunResult missing = RunRender({temp.File(L"none.knt"), temp.File(L"blank.txt"), temp.File(L"out")});
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_FALSE(missing.err.empty());

    CRunResult usage = RunRender({temp.File(L"job.knt")});
    EXPECT_EQ(2u, usage.exitCode);
}

TEST(RenderToolTest, PreviewOfAVectorJobIsAntiAliased)
{
    CSetting setting = ToolSetting(OutputType::SVG, false);
    for (size_t i = 0; i < setting.UseBorderings.size(); ++i)
        setting.UseBorderings[i] = 0;
    CTempFolder temp;
    CSettingXmlWriter writer;
    writer.SetWriteAll(false);
    ASSERT_TRUE(writer.Write(setting, temp.File(L"job.knt")));
    ASSERT_TRUE(WriteFileBytes(temp.File(L"text.txt"), kThreeLines));
    const std::wstring preview = TestOutputPath(L"render-preview-svg.png");
    CRunResult r = RunRender({L"--preview", preview, temp.File(L"job.knt"), temp.File(L"text.txt"), temp.File(L"out")});
    ASSERT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(4u, Lines(r.out).size());  // three files and the preview
    boost::shared_ptr<CDib> image;
    ASSERT_EQ(S_OK, LoadDibFromFile(image, preview));
    // The glyphs' edges: alpha between 0 and 255, in many steps.
    bool levels[256] = {};
    for (int y = 0; y < image->GetAbsHeight(); ++y)
        for (int x = 0; x < image->GetWidth(); ++x)
            levels[image->GetImageRow(y)[x * 4 + 3]] = true;
    EXPECT_GT(std::count(levels + 1, levels + 255, true), 20);
}

} // namespace
