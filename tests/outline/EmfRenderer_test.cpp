#include "outline/EmfRenderer.h"
#include "foundation/LogFile.h"
#include "foundation/ReplacingFileWriter.h"
#include "resources/strings_outline.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include "tests/outline/OutlineTestSupport.h"
#include "tests/outline/SampleDrawing.h"
#include <gtest/gtest.h>
#include <map>

namespace {

struct CEmfRecord {
    DWORD type;
    std::vector<BYTE> bytes;
    template <class T>
    const T& As() const { return *reinterpret_cast<const T*>(bytes.data()); }
};

int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM param)
{
    auto* out = reinterpret_cast<std::vector<CEmfRecord>*>(param);
    const BYTE* p = reinterpret_cast<const BYTE*>(rec);
    out->push_back(CEmfRecord{rec->iType, std::vector<BYTE>(p, p + rec->nSize)});
    return 1;
}

std::vector<CEmfRecord> ReadRecords(const std::wstring& path)
{
    std::vector<CEmfRecord> records;
    HENHMETAFILE meta = GetEnhMetaFileW(path.c_str());
    EXPECT_NE(nullptr, meta) << Narrow(path);
    if (!meta)
        return records;
    EnumEnhMetaFile(nullptr, meta, CollectRecord, &records, nullptr);
    DeleteEnhMetaFile(meta);
    return records;
}

std::vector<DWORD> TypesOf(const std::vector<CEmfRecord>& records)
{
    std::vector<DWORD> types;
    for (const auto& r : records)
        types.push_back(r.type);
    return types;
}

const CEmfRecord* Find(const std::vector<CEmfRecord>& records, DWORD type)
{
    for (const auto& r : records)
        if (r.type == type)
            return &r;
    return nullptr;
}

// 0.01 mm per layout unit on this screen.
void ScreenScale(double& sx, double& sy)
{
    CScreenDC dc;
    sx = GetDeviceCaps(dc, HORZSIZE) * 100.0 / GetDeviceCaps(dc, HORZRES);
    sy = GetDeviceCaps(dc, VERTSIZE) * 100.0 / GetDeviceCaps(dc, VERTRES);
}

} // namespace

TEST(EmfRenderer, PathRecordsAndPaintCalls)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"page.emf");
    double sx, sy;
    ScreenScale(sx, sy);
    POINT move, line;
    {
        CEmfRenderer r;
        r.BeginDocument(path);
        r.BeginPage(100, 50);
        double t[7];
        MakeTransform(t, 2, 0, 0, 2, 3, 4);
        r.SetTransform(t);
        r.SetLineWidth(1.5);
        r.SetLineCap(kCapRound);
        r.SetLineJoin(kJoinBevel);
        r.SetStrokeColor(RGB(1, 2, 3));
        r.SetFillColorRGB(1.0, 0.5, 0.0);
        r.Fill();  // no open path: nothing recorded
        r.BeginPath();
        r.MoveTo(10, 10);
        r.LineTo(20, 10);
        r.CurveTo(25, 10, 30, 15, 30, 20);
        r.ClosePath();
        r.FillStroke();
        r.BeginPath();
        r.Rectangle(1, 2, 3, 4);
        r.Stroke();
        move = r.MapPoint(10, 10);
        line = r.MapPoint(20, 10);
        EXPECT_EQ(LONG(2 * 10 * sx + 3 * sx), move.x);
        EXPECT_EQ(LONG(-(2 * 10 * sy + 4 * sy)), move.y);
        r.EndPage();
        r.EndDocument();
    }
    const std::vector<CEmfRecord> records = ReadRecords(path);
    ASSERT_FALSE(records.empty());
    const std::vector<DWORD> types = TypesOf(records);
    EXPECT_EQ(DWORD(EMR_HEADER), types.front());
    EXPECT_EQ(DWORD(EMR_EOF), types.back());

    const ENHMETAHEADER& header = records[0].As<ENHMETAHEADER>();
    EXPECT_EQ(0, header.rclFrame.left);
    EXPECT_EQ(LONG(sx * 100), header.rclFrame.right);
    EXPECT_EQ(LONG(sy * 50), header.rclFrame.bottom);

    ASSERT_NE(nullptr, Find(records, EMR_SETMAPMODE));
    EXPECT_EQ(DWORD(MM_HIMETRIC), Find(records, EMR_SETMAPMODE)->As<EMRSETMAPMODE>().iMode);
    ASSERT_NE(nullptr, Find(records, EMR_SETPOLYFILLMODE));
    EXPECT_EQ(DWORD(WINDING), Find(records, EMR_SETPOLYFILLMODE)->As<EMRSETPOLYFILLMODE>().iMode);
    EXPECT_EQ(nullptr, Find(records, EMR_FILLPATH));

    // The first path, in order, then its paint call; then the rectangle stroked.
    std::vector<DWORD> drawing;
    for (DWORD t : types)
        if (t == EMR_BEGINPATH || t == EMR_MOVETOEX || t == EMR_LINETO || t == EMR_POLYBEZIERTO ||
            t == EMR_POLYBEZIERTO16 || t == EMR_CLOSEFIGURE || t == EMR_ENDPATH || t == EMR_STROKEANDFILLPATH ||
            t == EMR_RECTANGLE || t == EMR_STROKEPATH)
            drawing.push_back(t == EMR_POLYBEZIERTO16 ? DWORD(EMR_POLYBEZIERTO) : t);
    const std::vector<DWORD> expected = {EMR_BEGINPATH, EMR_MOVETOEX, EMR_LINETO, EMR_POLYBEZIERTO, EMR_CLOSEFIGURE,
                                         EMR_ENDPATH, EMR_STROKEANDFILLPATH, EMR_BEGINPATH, EMR_RECTANGLE,
                                         EMR_ENDPATH, EMR_STROKEPATH};
    EXPECT_EQ(expected, drawing);
    EXPECT_EQ(move.x, Find(records, EMR_MOVETOEX)->As<EMRMOVETOEX>().ptl.x);
    EXPECT_EQ(move.y, Find(records, EMR_MOVETOEX)->As<EMRMOVETOEX>().ptl.y);
    EXPECT_EQ(line.x, Find(records, EMR_LINETO)->As<EMRLINETO>().ptl.x);

    // The brush colour, and the pen (Wine records ExtCreatePen as a plain pen).
    ASSERT_NE(nullptr, Find(records, EMR_CREATEBRUSHINDIRECT));
    EXPECT_EQ(RGB(255, 127, 0), Find(records, EMR_CREATEBRUSHINDIRECT)->As<EMRCREATEBRUSHINDIRECT>().lb.lbColor);
    const double e6 = TransformLineScale(2 * sx, 0, 0, -2 * sy);
    if (const CEmfRecord* pen = Find(records, EMR_EXTCREATEPEN)) {
        EXPECT_EQ(DWORD(e6 * 1.5), pen->As<EMREXTCREATEPEN>().elp.elpWidth);
        EXPECT_EQ(RGB(1, 2, 3), pen->As<EMREXTCREATEPEN>().elp.elpColor);
        EXPECT_EQ(DWORD(PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_BEVEL), pen->As<EMREXTCREATEPEN>().elp.elpPenStyle);
    } else {
        const CEmfRecord* plain = Find(records, EMR_CREATEPEN);
        ASSERT_NE(nullptr, plain);
        EXPECT_EQ(LONG(e6 * 1.5), plain->As<EMRCREATEPEN>().lopn.lopnWidth.x);
        EXPECT_EQ(RGB(1, 2, 3), plain->As<EMRCREATEPEN>().lopn.lopnColor);
    }
}

TEST(EmfRenderer, StateErrors)
{
    CTempFolder folder;
    CEmfRenderer r;
    r.BeginDocument(folder.File(L"a.emf"));
    r.BeginPage(10, 10);
    const my::CException again = ThrownError([&] { r.BeginPage(10, 10); });
    EXPECT_EQ(UINT(IDS_BEGIN_PAGE_FAILED), again.id);
    EXPECT_EQ(HRESULT(0x80070050), again.code);
    EXPECT_EQ(UINT(IDS_BEGIN_DOC_FAILED), ThrownId([&] { r.BeginDocument(folder.File(L"b.emf")); }));
    const my::CException cmyk = ThrownError([&] { r.SetFillColorCMYK(0, 0, 0, 1); });
    EXPECT_EQ(UINT(IDS_COLOR_SPACE_NOT_SUPPORTED), cmyk.id);
    EXPECT_NE(std::wstring::npos, cmyk.message.find(L"(CMYK)"));
    EXPECT_EQ(UINT(IDS_COLOR_SPACE_NOT_SUPPORTED), ThrownId([&] { r.SetStrokeColorCMYK(0, 0, 0, 1); }));
    // Opacity, gradation and texture are ignored without error.
    r.SetFillOpacity(0.5);
    r.SetStrokeGradation(nullptr, 0, 0);
    r.EndDocument();
    EXPECT_TRUE(FileExists(folder.File(L"a.emf")));
    r.EndDocument();  // nothing open: nothing happens

    // The file is made when the document ends, so a folder that is missing
    // is reported there, with the path.
    CEmfRenderer missing;
    const std::wstring bad = folder.File(L"no such folder\\x.emf");
    missing.BeginDocument(bad);
    missing.BeginPage(10, 10);
    const my::CException e = ThrownError([&] { missing.EndDocument(); });
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), e.id);
    EXPECT_NE(std::wstring::npos, e.message.find(bad)) << Narrow(e.message);
}

TEST(EmfRenderer, FailedDocumentsLeaveTheOldFile)
{
    CTempFolder folder;
    const std::wstring path = folder.File(L"failed.emf");
    ASSERT_TRUE(WriteFileBytes(path, "old picture"));
    auto draw = [&](CEmfRenderer& r) {
        r.BeginDocument(path);
        r.BeginPage(100, 100);
        r.SetTransform(kIdentityTransform);
        for (int i = 0; i < 50; ++i)
            r.Rectangle(i, i, 10, 10);
        r.Fill();
    };
    try {
        CEmfRenderer r;
        draw(r);
        r.SetFillColorCMYK(0, 0, 0, 1);  // the task fails here
    } catch (const my::CException&) {
    }
    EXPECT_EQ("old picture", ReadFileBytes(path));

    // A metafile that cannot be closed is reported with its path, not counted as made.
    {
        CEmfRenderer r;
        draw(r);
        DeleteEnhMetaFile(CloseEnhMetaFile(r.GetMetafileDC()));  // the handle goes bad under the renderer
        const my::CException e = ThrownError([&] { r.EndDocument(); });
        EXPECT_EQ(UINT(IDS_CREATE_EMF_FAILED), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(path)) << Narrow(e.message);
    }
    EXPECT_EQ("old picture", ReadFileBytes(path));

    // A full disk is a failure, and the old file stays whole.
    {
        CEmfRenderer r;
        draw(r);
        SetReplacingWriterSpaceForTest(300);
        const my::CException e = ThrownError([&] { r.EndDocument(); });
        SetReplacingWriterSpaceForTest(-1);
        EXPECT_EQ(UINT(IDS_WRITE_FILE_FAILED), e.id);
        EXPECT_EQ(HResultFromWin32(ERROR_DISK_FULL), e.code);
    }
    EXPECT_EQ("old picture", ReadFileBytes(path));
    EXPECT_EQ(1, CountFiles(folder.Path()));

    CEmfRenderer r;
    draw(r);
    r.EndDocument();
    const std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), sizeof(ENHMETAHEADER));
    EXPECT_EQ(bytes.size(), reinterpret_cast<const ENHMETAHEADER*>(bytes.data())->nBytes);
    EXPECT_GT(ReadRecords(path).size(), 50u);
}

TEST(EmfRenderer, TraceGoesToTheLog)
{
    CTempFolder folder;
    const std::wstring logPath = folder.File(L"trace.txt");
    ASSERT_TRUE(CLogFile::OpenPath(logPath));
    POINT a, b, c, d;
    RECT frame = {};
    {
        CEmfRenderer r;
        r.BeginDocument(folder.File(L"t.emf"));
        r.BeginPage(40, 30);
        r.SetTransform(kIdentityTransform);
        r.BeginPath();
        r.MoveTo(1, 2);
        r.LineTo(3, 4);
        r.CurveTo(5, 6, 7, 8, 9, 10);
        r.ClosePath();
        r.Stroke();
        a = r.MapPoint(1, 2);
        b = r.MapPoint(3, 4);
        c = r.MapPoint(5, 6);
        d = r.MapPoint(9, 10);
        r.EndDocument();
        double sx, sy;
        ScreenScale(sx, sy);
        frame.right = LONG(sx * 40);
        frame.bottom = LONG(sy * 30);
    }
    CLogFile::Close();
    const std::string bytes = ReadFileBytes(logPath);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    auto pt = [](POINT p) { return L"(" + std::to_wstring(p.x) + L", " + std::to_wstring(p.y) + L")"; };
    // The middle control point is checked by its place only.
    const std::wstring expectedHead = L"BeginPage " + pt(POINT{0, 0}) + L"-" + pt(POINT{frame.right, frame.bottom}) +
                                      L"\r\nBeginPath\r\nMoveTo " + pt(a) + L"\r\nLineTo " + pt(b) +
                                      L"\r\nPolyBezierTo " + pt(c) + L" ";
    EXPECT_EQ(0u, text.find(expectedHead)) << Narrow(text);
    const std::wstring expectedTail = L" " + pt(d) + L"\r\nCloseFigure\r\nEndPath\r\nStrokePath\r\n";
    EXPECT_NE(std::wstring::npos, text.find(expectedTail)) << Narrow(text);
}

TEST(EmfRenderer, SampleFile)
{
    const std::wstring path = TestOutputPath(L"outline_sample.emf");
    CEmfRenderer r;
    r.BeginDocument(path);
    EXPECT_EQ(3, DrawSamplePage(r, L"縁取り"));
    r.EndDocument();
    const std::vector<CEmfRecord> records = ReadRecords(path);
    int fills = 0;
    for (const auto& rec : records)
        fills += rec.type == EMR_FILLPATH;
    EXPECT_EQ(4, fills);  // the page and the three glyph faces

    // Played back, the picture holds the page colour and the face colour.
    HENHMETAFILE meta = GetEnhMetaFileW(path.c_str());
    ASSERT_NE(nullptr, meta);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 336;
    bi.bmiHeader.biHeight = -144;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    CCreatedDC dc(CreateCompatibleDC(nullptr));
    {
        CSelectObjectGuard select(dc, bitmap);
        RECT all = {0, 0, 336, 144};
        EXPECT_TRUE(PlayEnhMetaFile(dc, meta, &all));
    }
    DeleteEnhMetaFile(meta);
    std::map<DWORD, int> colours;
    const DWORD* p = static_cast<const DWORD*>(bits);
    for (int i = 0; i < 336 * 144; ++i)
        ++colours[p[i] & 0xFFFFFF];
    EXPECT_GT(colours[0xFFFFF0], 336 * 144 / 4);  // the page, 0x00RRGGBB in a DIB
    EXPECT_GT(colours[0xDC283C], 500);             // the glyph faces
    EXPECT_GT(colours[0x283CA0], 500);             // the outer decoration
}
