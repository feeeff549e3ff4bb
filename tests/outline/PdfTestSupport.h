// Reads what the PDF tests check from a file libHaru wrote without
// compression: the bytes, the number of page objects and their media boxes.
#pragma once
#include "tests/common/TestSupport.h"
#include <regex>
#include <string>
#include <vector>

struct CPdfFacts {
    std::string bytes;
    int pages = 0;
    std::vector<std::string> mediaBoxes;  // "x0 y0 x1 y1", single spaces
};

inline CPdfFacts ReadPdfFacts(const std::wstring& path)
{
    CPdfFacts f;
    f.bytes = ReadFileBytes(path);
    const std::regex page("/Type /Page[^s]");
    f.pages = static_cast<int>(std::distance(std::sregex_iterator(f.bytes.begin(), f.bytes.end(), page),
                                             std::sregex_iterator()));
    const std::regex box("/MediaBox\\s*\\[\\s*([-0-9.]+)\\s+([-0-9.]+)\\s+([-0-9.]+)\\s+([-0-9.]+)\\s*\\]");
    for (auto it = std::sregex_iterator(f.bytes.begin(), f.bytes.end(), box); it != std::sregex_iterator(); ++it)
        f.mediaBoxes.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str() + " " + (*it)[4].str());
    return f;
}
