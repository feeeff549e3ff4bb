// Reads what the PDF tests check from a file libHaru wrote without
// compression: the bytes, the number of page objects and their media boxes,
// and where its table is and whether each of its entries points at its object.
#pragma once
#include "tests/common/TestSupport.h"
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
    if (table < 0 || table >= static_cast<long long>(bytes.size()) ||
        !std::regex_search(bytes.begin() + table, bytes.end(), head, std::regex("xref\n0 (\\d+)\n"),
                           std::regex_constants::match_continuous))
        return "no table at startxref " + std::to_string(table);
    const size_t count = std::stoul(head[1].str()), first = static_cast<size_t>(table) + head.length(0);
    for (size_t i = 1; i < count; ++i) {  // entry 0 is the head of the free list
        const std::string entry = first + 20 * i < bytes.size() ? bytes.substr(first + 20 * i, 20) : "";
        const size_t at = entry.size() == 20 ? std::stoul(entry.substr(0, 10)) : bytes.size();
        const std::string object = std::to_string(i) + " 0 obj";
        if (at >= bytes.size() || bytes.compare(at, object.size(), object) != 0)
            return "entry " + std::to_string(i) + " (" + entry.substr(0, 18) + ") points elsewhere";
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
    std::smatch end;
    if (std::regex_search(f.bytes, end, std::regex("startxref\n(-?\\d+)\n%%EOF\n$")))
        f.table = std::stoll(end[1].str());
    f.tableFault = PdfTableFault(f.bytes, f.table);
    return f;
}
