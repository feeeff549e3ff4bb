#include "foundation/ByteStream.h"
#include "foundation/Stream.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

namespace {

ULONG ReadAt(IStream* stream, LONGLONG position, DWORD origin, char* buffer, ULONG count)
{
    LARGE_INTEGER move;
    move.QuadPart = position;
    EXPECT_EQ(S_OK, stream->Seek(move, origin, nullptr));
    ULONG got = 12345;
    EXPECT_EQ(S_OK, stream->Read(buffer, count, &got));
    return got;
}

} // namespace

// A decoder that skips a damaged segment seeks past the end; what it reads
// there must be nothing (the system's memory stream copied what lay beyond
// its block, and faulted where nothing was mapped).
TEST(ByteStream, ReadsNeverGoPastTheEnd)
{
    CComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateByteStream(stream, std::vector<BYTE>{'a', 'b', 'c', 'd', 'e'}));
    char buffer[1024] = {};
    struct Case { LONGLONG position; DWORD origin; ULONG expected; } cases[] = {
        {0, STREAM_SEEK_SET, 5}, {3, STREAM_SEEK_SET, 2}, {5, STREAM_SEEK_SET, 0},
        {6, STREAM_SEEK_SET, 0}, {3000000, STREAM_SEEK_SET, 0}, {-2, STREAM_SEEK_END, 2},
        {100, STREAM_SEEK_END, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ReadAt(stream, c.position, c.origin, buffer, sizeof buffer)) << c.position;
    EXPECT_EQ(0, memcmp(buffer, "de", 2));

    // Before the start is refused and leaves the position.
    LARGE_INTEGER back;
    back.QuadPart = -6;
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(back, STREAM_SEEK_END, nullptr));
    back.QuadPart = LLONG_MAX;
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(back, STREAM_SEEK_CUR, nullptr));
    ULONGLONG size = 0;
    EXPECT_EQ(S_OK, TryGetStreamSize(stream, size));
    EXPECT_EQ(5u, size);
    ULONG written = 7;
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->Write("x", 1, &written));
    EXPECT_EQ(0u, written);

    // A clone shares the bytes and keeps a position of its own.
    EXPECT_EQ(1u, ReadAt(stream, 4, STREAM_SEEK_SET, buffer, 1));
    CComPtr<IStream> clone;
    ASSERT_EQ(S_OK, stream->Clone(&clone));
    EXPECT_EQ(0u, ReadAt(stream, 0, STREAM_SEEK_END, buffer, 1));
    ULONG got = 0;
    EXPECT_EQ(S_OK, clone->Read(buffer, 10, &got));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(2u, ReadAt(clone, 1, STREAM_SEEK_SET, buffer, 2));
    EXPECT_EQ(0, memcmp(buffer, "bc", 2));
}

// The whole-file streams that images are decoded from are such streams.
TEST(ByteStream, FileStreamsReadNothingBeyondTheFile)
{
    CTempFolder dir;
    const std::wstring path = dir.File(L"f.bin");
    ASSERT_TRUE(WriteFileBytes(path, std::string(100, 'x')));
    CComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamFromFile(stream, path, ~0ull));
    char buffer[1024];
    EXPECT_EQ(0u, ReadAt(stream, 60000, STREAM_SEEK_SET, buffer, sizeof buffer));
    ASSERT_TRUE(WriteFileBytes(path, ""));
    ASSERT_EQ(S_OK, CreateStreamFromFile(stream, path, ~0ull));
    EXPECT_EQ(0u, ReadAt(stream, 0, STREAM_SEEK_SET, buffer, sizeof buffer));
}
