// Shared helpers of the test executables.
#pragma once
#include <string>

// Folder for sample files a person may open after the run (build/test-output);
// created on first use. Falls back to the temporary folder outside CTest.
std::wstring TestOutputDir();
std::wstring TestOutputPath(const std::wstring& name);

// A fresh, empty temporary folder for one test, removed with its contents.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
private:
    std::wstring m_path;
};

// Bytes of a file, or empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// UTF-8 of a wide text, for gtest messages.
std::string Narrow(const std::wstring& text);
