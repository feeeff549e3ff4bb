#include "foundation/CommandLine.h"
#include "foundation/Error.h"
#include "resources/strings_foundation.h"
#include <windows.h>

void SplitQuotedTokens(const std::wstring& text, const std::wstring& separators, std::vector<std::wstring>& out,
                       const std::wstring& quotes, const std::wstring& escapes)
{
    std::wstring token;
    wchar_t openQuote = 0;
    bool escapePending = false;
    for (wchar_t c : text) {
        if (openQuote) {
            if (c == openQuote)
                openQuote = 0;
            else
                token.push_back(c);
        } else if (escapePending) {
            token.back() = c;  // the escape character was kept as a placeholder
            escapePending = false;
        } else if (quotes.find(c) != std::wstring::npos) {
            openQuote = c;
        } else if (separators.find(c) != std::wstring::npos) {
            if (!token.empty()) {
                out.push_back(token);
                token.clear();
            }
        } else {
            token.push_back(c);
            if (escapes.find(c) != std::wstring::npos)
                escapePending = true;
        }
    }
    if (!token.empty())
        out.push_back(token);
}

void CSimpleCommandLineParser::Parse(const std::wstring& text)
{
    m_commandLine = text;
    std::vector<std::wstring> tokens;
    SplitQuotedTokens(text, L" \t", tokens, L"\"", L"");
    OnArguments(tokens);
}

void CSingleCommandLineParser::OnArguments(const std::vector<std::wstring>& tokens)
{
    if (tokens.size() < 2)
        return;
    if (tokens.size() == 2) {
        m_argument = tokens[1];
        return;
    }
    std::wstring list;
    for (size_t i = 1; i < tokens.size(); ++i)
        list += tokens[i] + L"\r\n";
    throw my::CException(IDS_TOO_MANY_ARGUMENTS, NumberToWString(static_cast<long>(tokens.size() - 1)), list);
}

void ParseProcessCommandLine(CSimpleCommandLineParser& parser)
{
    const wchar_t* line = GetCommandLineW();
    parser.Parse(line ? line : L"");
}
