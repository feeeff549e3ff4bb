// Regular-expression matching that never throws while matching. Kept apart
// from StringUtil.h so that only its users compile boost.regex.
#pragma once
#include <boost/regex.hpp>
#include <string>

// Whole-text match; an exception raised while matching (an expression too
// complex for the input) gives false with its text in errorText. Errors of
// the pattern itself arise when the caller compiles it, not here.
bool RegexMatchNoThrow(const std::wstring& text, const boost::wregex& regex,
                       boost::wsmatch& match, std::wstring& errorText);
