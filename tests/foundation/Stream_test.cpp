#include "foundation/Stream.h"
#include "foundation/Error.h"
#include "resources/strings_foundation_io.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// Everything from the stream's current position to its end.
std::string ReadRest(IStream* stream)
{
    std::string out;
    char buffer[4096];
    for (;;) {
        ULONG got = 0;
        HRESULT hr = stream->Read(buffer, sizeof buffer, &got);
        if (FAILED(hr) || got == 0)
            break;
        out.append(buffer, got);
    }
    return out;
}

ULONGLONG SizeOf(IStream* stream)
{
    ULONGLONG size = 0;
    GetStreamSize(stream, size);
    return size;
}

LARGE_INTEGER Offset(LONGLONG v)
{
    LARGE_INTEGER li;
    li.QuadPart = v;
    return li;
}

} // namespace

TEST(Stream, OverMemoryBlock)
{
    const char bytes[] = "block\0with\xFFzero";
    CGlobalMemory block;
    ASSERT_TRUE(block.Alloc(sizeof bytes));
    {
        void* p = nullptr;
        CGlobalLocker lock(p, block);
        std::memcpy(p, bytes, sizeof bytes);
    }
    {
        CComPtr<IStream> stream;
        ASSERT_EQ(S_OK, CreateStreamOnMemory(stream, block, FALSE));
        EXPECT_EQ(sizeof bytes, SizeOf(stream));
        char head[5];
        ReadStreamExact(stream, head, 5);
        EXPECT_EQ(0, std::memcmp(bytes, head, 5));
        SeekStream(stream, Offset(-4), STREAM_SEEK_END);
        EXPECT_EQ(std::string("ero\0", 4), ReadRest(stream));
        char more;
        EXPECT_EQ(UINT(IDS_READ_STREAM_FAILED), ThrownId([&] { ReadStreamExact(stream, &more, 1); }));
        HGLOBAL handle = nullptr;
        EXPECT_EQ(S_OK, TryGetHGlobal(stream, handle));
        EXPECT_EQ(block.Get(), handle);
    }
    // The stream did not free the block: it is still ours and readable.
    void* p = nullptr;
    CGlobalLocker lock(p, block);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0, std::memcmp(bytes, p, sizeof bytes));
}

TEST(Stream, OwnedMemoryStreamHandsOverItsBlock)
{
    CGlobalMemory owner;
    ASSERT_TRUE(owner.Alloc(8));  // freed when the new block arrives
    CComPtr<IStream> stream;
    CreateOwnedMemoryStream(stream, owner);
    ASSERT_NE(nullptr, owner.Get());
    std::string text(3000, 'x');
    WriteStreamExact(stream, text.data(), static_cast<ULONG>(text.size()));
    EXPECT_EQ(owner.Get(), GetHGlobal(stream));  // a growing stream keeps its handle
    stream.Release();
    void* p = nullptr;
    CGlobalLocker lock(p, owner);
    ASSERT_NE(nullptr, p);
    EXPECT_GE(GlobalSize(owner), text.size());
    EXPECT_EQ(0, std::memcmp(text.data(), p, text.size()));
}

TEST(Stream, OverResource)
{
    CComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnResource(stream, L"STREAMPROBE", RT_RCDATA));
    EXPECT_EQ(6u, SizeOf(stream));
    EXPECT_EQ(std::string("KNT\0\xFF\x02", 6), ReadRest(stream));
    // Names match without regard to case.
    ASSERT_EQ(S_OK, CreateStreamOnResource(stream, L"streamprobe", RT_RCDATA));
    EXPECT_EQ(6u, SizeOf(stream));

    EXPECT_EQ(E_FAIL, CreateStreamOnResource(stream, L"NO_SUCH_RESOURCE", RT_RCDATA));
    EXPECT_EQ(nullptr, stream.Get());
    EXPECT_EQ(E_FAIL, CreateStreamOnResource(stream, L"STREAMPROBE", L"IMAGE"));
}

TEST(Stream, WholeFileUnderALimit)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"f.bin");
    std::string content(1000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31);
    ASSERT_TRUE(WriteFileBytes(path, content) && MakeFileOfSize(dir.File(L"2g.bin"), 2ll << 30));
    struct Case { const wchar_t* file; ULONGLONG max; HRESULT expected; } cases[] = {
        {L"missing.bin", 0, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},  // a limit of 0 never touches the file
        {L"f.bin", 999, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
        {L"2g.bin", ~0ull, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},  // more than a vector holds: refused unread
        {L"f.bin", 1000, S_OK},
        {L"f.bin", ~0ull, S_OK},
        {L"missing.bin", 10, static_cast<HRESULT>(0x80070002)},
    };
    for (const Case& c : cases) {
        CComPtr<IStream> stream;
        EXPECT_EQ(c.expected, CreateStreamFromFile(stream, dir.File(c.file), c.max)) << c.max;
        if (c.expected == S_OK) {
            EXPECT_EQ(content.size(), SizeOf(stream));
            EXPECT_TRUE(content == ReadRest(stream));
        }
    }
    std::wstring empty = dir.File(L"empty.bin");
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    CComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamFromFile(stream, empty, ~0ull));
    EXPECT_EQ(0u, SizeOf(stream));

    // Too large for memory: read through the shell instead.
    OpenFileStreamBuffered(stream, path, 10);
    EXPECT_TRUE(content == ReadRest(stream));
    EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), ThrownId([&] { OpenFileStreamBuffered(stream, dir.File(L"missing.bin")); }));
    EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), ThrownId([&] { CreateStreamFromFileOrThrow(stream, dir.File(L"missing.bin")); }));
}

TEST(Stream, FileStreamsThroughTheShell)
{
    CTempFolder dir;
    std::wstring path = dir.File(L"s.bin");
    {
        CComPtr<IStream> out;
        CreateFileStream(out, path);
        WriteStreamExact(out, "stream data", 11);
    }
    EXPECT_EQ("stream data", ReadFileBytes(path));
    CComPtr<IStream> in;
    OpenFileStream(in, path);
    EXPECT_EQ(11u, SizeOf(in));
    SeekStream(in, Offset(7), STREAM_SEEK_SET);
    EXPECT_EQ("data", ReadRest(in));

    try {
        OpenFileStream(in, dir.File(L"none.bin"));
        ADD_FAILURE() << "opened a missing file";
    } catch (const my::CException& e) {
        EXPECT_EQ(UINT(IDS_OPEN_FILE_FAILED), e.id);
        EXPECT_NE(std::wstring::npos, e.message.find(dir.File(L"none.bin")));
    }
    EXPECT_EQ(nullptr, in.Get());
    EXPECT_EQ(UINT(IDS_CREATE_FILE_FAILED), ThrownId([&] { CreateFileStream(in, dir.File(L"no\\folder.bin")); }));
}

TEST(Stream, NullStreams)
{
    ULONGLONG size = 0;
    EXPECT_EQ(E_POINTER, TryGetStreamSize(nullptr, size));
    EXPECT_EQ(E_POINTER, TrySeekStream(nullptr, Offset(0), STREAM_SEEK_SET));
    EXPECT_EQ(UINT(IDS_SET_STREAM_SIZE_FAILED), ThrownId([&] { GetStreamSize(nullptr, size); }));
    EXPECT_EQ(UINT(IDS_SEEK_STREAM_FAILED), ThrownId([&] { SeekStream(nullptr, Offset(0), STREAM_SEEK_SET); }));
    EXPECT_EQ(UINT(IDS_GET_STREAM_HANDLE_FAILED), ThrownId([&] { GetHGlobal(nullptr); }));
}

TEST(Stream, DpiToPelsPerMeter)
{
    struct Case { double dpi, rounding; int expected; } cases[] = {
        {96, 0.5, 3780}, {96, 0, 3779}, {72, 0, 2834}, {300, 0.5, 11811}, {0, 0.5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, DpiToPelsPerMeter(c.dpi, c.rounding)) << c.dpi;
}
