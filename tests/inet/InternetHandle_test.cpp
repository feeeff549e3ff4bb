#include "inet/InternetHandle.h"
#include "resources/strings_inet.h"
#include "tests/common/TestSupport.h"
#include "tests/inet/LoopbackServer.h"
#include <gtest/gtest.h>

TEST(InternetHandle, ExceptionNamesTheOperation)
{
    struct Case {
        UINT operation;
        UINT id;
    } cases[] = {
        {kInetHttpQuery, IDS_HTTP_QUERY_INFO_FAILED},
        {kInetHttpRequest, IDS_HTTP_REQUEST_FAILED},
        {kInetTerminated, IDS_INET_TERMINATED_BY_USER},
        {99, IDS_INET_UNKNOWN_RESPONSE},
    };
    for (const Case& c : cases) {
        CInternetException e(nullptr, c.operation, static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
        EXPECT_EQ(c.id, e.id) << c.operation;
        EXPECT_EQ(static_cast<HRESULT>(0x80072F76), e.code) << c.operation;
        EXPECT_EQ(DWORD(ERROR_HTTP_HEADER_NOT_FOUND), e.error);
    }
    CInternetException none(nullptr, kInetNone, static_cast<DWORD>(5));
    EXPECT_EQ(0u, none.id);
    EXPECT_EQ(L"", none.message);
}

TEST(InternetHandle, ThrownErrorsKeepTheirCode)
{
    my::CException e = ThrownError([] { ThrowInternetError(IDS_INET_READ_FAILED, E_ABORT); });
    EXPECT_EQ(UINT(IDS_DOWNLOAD_FAILED), e.id);
    EXPECT_EQ(E_ABORT, e.code);
    e = ThrownError([] { ThrowInternetError(IDS_INET_READ_FAILED, static_cast<HRESULT>(0x80072EFD)); });
    EXPECT_EQ(UINT(IDS_INET_READ_FAILED), e.id);
    EXPECT_EQ(static_cast<HRESULT>(0x80072EFD), e.code);
    EXPECT_EQ(0u, e.message.find(L"インターネット経由の読みこみに失敗しました - "));
}

TEST(InternetHandle, ClosingWhatIsClosedSucceeds)
{
    CInternetSession session;
    EXPECT_TRUE(session.Close());
    ASSERT_EQ(S_OK, session.Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    EXPECT_NE(nullptr, session.GetHandle());
    EXPECT_FALSE(session.IsAsync());
    EXPECT_TRUE(session.Close());
    EXPECT_EQ(nullptr, session.GetHandle());
    EXPECT_TRUE(session.Close());
    CHttpFile file;
    EXPECT_TRUE(file.Close());
}

// A synchronous request: ReadAll takes a body of several reads whole, a
// header the response has is read, and one it lacks is an error of the
// query (operation 10, message 54258).
TEST(InternetHandle, ReadAllAndQueryInfo)
{
    CLoopbackServer server;
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += static_cast<char>('a' + i % 26);
    server.Respond("200 OK", body, "X-Kind: sample\r\n");
    CInternetSession session;
    ASSERT_EQ(S_OK, session.Open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    CHttpConnection connection;
    ASSERT_EQ(S_OK, connection.Open(&session, L"127.0.0.1", server.Port()));
    CHttpFile request;
    ASSERT_EQ(S_OK, request.Open(&connection, L"GET", L"/body", nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD));
    ASSERT_EQ(S_OK, request.SendRequest(nullptr, 0, nullptr, 0));

    std::wstring text;
    request.QueryInfo(HTTP_QUERY_STATUS_CODE, text);
    EXPECT_EQ(L"200", text);
    text = L"kept";
    my::CException e = ThrownError([&] { request.QueryInfo(HTTP_QUERY_CONTENT_LANGUAGE, text); });
    EXPECT_EQ(UINT(IDS_HTTP_QUERY_INFO_FAILED), e.id);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_HTTP_HEADER_NOT_FOUND), e.code);
    EXPECT_EQ(L"kept", text);
    try {
        request.QueryInfo(HTTP_QUERY_CONTENT_LANGUAGE, text);
        ADD_FAILURE() << "no exception";
    } catch (const CInternetException& thrown) {
        EXPECT_EQ(UINT(kInetHttpQuery), thrown.operation);
        EXPECT_EQ(request.GetHandle(), thrown.handle);
    }

    std::string read = "left over";
    request.ReadAll(read);
    EXPECT_EQ(body, read);
    request.ReadAll(read);  // nothing more to read
    EXPECT_EQ("", read);
    EXPECT_TRUE(request.Close());
    EXPECT_EQ(nullptr, request.GetSession());
}
