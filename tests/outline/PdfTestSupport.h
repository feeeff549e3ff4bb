// Reads what the PDF tests check from a file libHaru wrote without compression: the bytes,
// the number of page objects, their media boxes, and its table (startxref, each entry read).
#pragma once
#include "tests/common/TestSupport.h"
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

struct CPdfFacts {
    std::string bytes;
    int pages = 0;
    std::vector<std::string> mediaBoxes;  // "x0 y0 x1 y1", single spaces
    long long table = -1;                 // startxref
    std::string tableFault;               // empty: every entry points at its object
};

inline std::string PdfTableFault(const std::string& bytes, long long table)
{
    std::smatch head;
    const size_t start = static_cast<size_t>(std::min<long long>(std::max(table, 0LL), bytes.size()));
    if (!std::regex_search(bytes.begin() + start, bytes.end(), head, std::regex("xref\n0 (\\d+)\n"),
                           std::regex_constants::match_continuous))
        return "no table at " + std::to_string(table);
    for (size_t i = 1, count = std::stoul(head[1].str()); i < count; ++i) {  // 0 heads the free list
        const std::string entry = bytes.substr(std::min(bytes.size(), start + head.length(0) + 20 * i), 20);
        const size_t at = std::min<size_t>(bytes.size(), entry.size() == 20 ? std::stoul(entry) : bytes.size());
        if (bytes.compare(at, std::to_string(i).size() + 6, std::to_string(i) + " 0 obj") != 0)
            return "entry " + std::to_string(i) + " points elsewhere: " + entry;
    }
    return std::string();
}

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
    std::smatch end;  // the table's offset, as a signed number would be printed
    f.table = std::regex_search(f.bytes, end, std::regex("startxref\n(-?\\d+)\n%%EOF\n$")) ? std::stoll(end[1].str()) : -1;
    f.tableFault = PdfTableFault(f.bytes, f.table);
    return f;
}
