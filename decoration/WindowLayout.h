// Where a window stood, so that it comes back in the same place at the next
// start: the main window (with its full-screen state and splitter) and a
// resizable dialog. The records store their values unchecked; keeping a
// rectangle on the screen is the business of the code that applies them.
#pragma once
#include <windows.h>
#include <string>

class CXmlDocument;
struct IXMLDOMNode;

class CWindowLayout {
public:
    bool FullScreen = false;
    bool Maximized = false;
    RECT NormalBounds = {0, 0, 0, 0};
    int SplitterPos = -1;  // -1: not set, the dialog uses its own default

    bool operator==(const CWindowLayout& o) const;
    bool operator!=(const CWindowLayout& o) const { return !(*this == o); }
};

class CDialogLayout {
public:
    bool Maximized = false;
    RECT Rect = {0, 0, 0, 0};  // empty: never placed

    bool operator==(const CDialogLayout& o) const;
    bool operator!=(const CDialogLayout& o) const { return !(*this == o); }
};

// XML forms; with an empty name the children go into (come from) the node itself.
bool SaveWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         const CWindowLayout& layout);
bool LoadWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         CWindowLayout& layout);
bool SaveWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         const CDialogLayout& layout);
bool LoadWindowLayoutXml(CXmlDocument& doc, IXMLDOMNode* parent, const std::wstring& name,
                         CDialogLayout& layout);

// Registry form of the main window's layout (older versions; read only):
// "SplitterPos" in the settings key, "FullScreen" and the four sides in its
// "Window" subkey. True only when every value was read.
bool LoadWindowLayoutRegistry(CWindowLayout& layout, HKEY settingKey);
