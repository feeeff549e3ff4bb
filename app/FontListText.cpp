#include "app/FontListText.h"
#include "foundation/ResourceString.h"
#include "foundation/StringUtil.h"
#include "resources/strings_app.h"
#include <boost/make_shared.hpp>
#include <algorithm>

void AddMruText(CMruStrings& list, const std::wstring& whole)
{
    // The settings file keeps the texts and refuses a longer one: a longer
    // text (the first line of a long text) is kept by its start.
    size_t n = std::min(whole.size(), limits::kMaxTextLength);
    if (n < whole.size() && IsHighSurrogate(whole[n - 1]))
        --n;
    const std::wstring text = whole.substr(0, n);
    for (auto it = list.Items.begin(); it != list.Items.end();) {
        if (*it && **it == text)
            it = list.Items.erase(it);
        else
            ++it;
    }
    list.Items.push_front(boost::make_shared<CSameNamedString>(text));
    while (list.Items.size() > list.MaxSize)
        list.Items.pop_back();
}

bool FirstTextLine(const std::wstring& text, std::wstring& line)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring piece = TrimCopyIf(text.substr(start, end - start), IsSpaceOrCr);
        if (!piece.empty()) {
            line = piece;
            return true;
        }
        start = end + 1;
    }
    return false;
}

void AddSampleTexts(CMruStrings& list, const std::wstring& text)
{
    for (UINT id : {IDS_SAMPLE_UPPER_CASE, IDS_SAMPLE_LOWER_CASE, IDS_SAMPLE_DIGITS_SIGNS, IDS_SAMPLE_SENTENCE})
        AddMruText(list, LoadResourceString(id));
    std::wstring line;
    if (FirstTextLine(text, line))
        AddMruText(list, line);
}
