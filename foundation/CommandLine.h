// The program's command line: tokens separated by blanks and tabs, grouped by
// double quotes, no escapes. The program takes at most one argument, the
// decoration settings file to open at start.
#pragma once
#include <string>
#include <vector>

// Splits text into tokens appended to out. A quote character opens a quote
// that only the same character closes; the quote characters are dropped and
// do not end the token (a"b c"d is one token "ab cd"). Outside quotes an
// escape character makes the next character replace it. Runs of separators
// give no empty tokens, so an empty quoted argument is lost. An unclosed quote
// runs to the end of the text.
void SplitQuotedTokens(const std::wstring& text, const std::wstring& separators, std::vector<std::wstring>& out,
                       const std::wstring& quotes, const std::wstring& escapes);

class CCommandLineParserUtil {};

class CSimpleCommandLineParser : public CCommandLineParserUtil {
public:
    // Only the double quote groups: an apostrophe is a character of file
    // names ("C:\Bob's\a.knt") and must reach the argument unchanged.
    virtual void Parse(const std::wstring& text);
    // Token 0 is the program path as the command line gives it.
    virtual void OnArguments(const std::vector<std::wstring>& tokens) = 0;

    const std::wstring& GetCommandLineText() const { return m_commandLine; }

protected:
    ~CSimpleCommandLineParser() = default;

private:
    std::wstring m_commandLine;
};

class CSingleCommandLineParser : public CSimpleCommandLineParser {
public:
    // No argument leaves it as it was; more than one raises IDS_TOO_MANY_ARGUMENTS.
    void OnArguments(const std::vector<std::wstring>& tokens) override;
    const std::wstring& GetArgument() const { return m_argument; }

private:
    std::wstring m_argument;
};

// Parses GetCommandLineW() with the parser.
void ParseProcessCommandLine(CSimpleCommandLineParser& parser);
