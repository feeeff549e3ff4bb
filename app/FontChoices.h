// The choices of the font line: character sets (each also as its vertical
// variant when vertical faces exist), the faces of a character set, and the
// styles of a face, all found by enumerating the screen's fonts.
#pragma once
#include "outline/FontSetting.h"
#include <windows.h>
#include <string>
#include <vector>

// One character-set choice: "@" before the name for vertical faces.
struct CCharSet {
    bool Vertical = false;
    UINT CharSet = 0;
    std::wstring Name;
    bool operator==(const CCharSet& o) const { return Vertical == o.Vertical && CharSet == o.CharSet; }
};

class CFontChoices {
public:
    // Every character set of the installed fonts, by character set
    // (ascending), the horizontal entry before the vertical one.
    void EnumerateCharSets();
    const std::vector<CCharSet>& GetCharSets() const { return m_charSets; }
    int IndexOfCharSet(UINT charSet, bool vertical) const;

    // The outline faces of a character set the tasks draw (CanDrawFace), in
    // logical order, names unique: with vertical only those beginning with
    // '@', else none of them.
    void EnumerateFaces(UINT charSet, bool vertical);
    const std::vector<std::wstring>& GetFaces() const { return m_faces; }
    // The face of that name, else of that name in other letter case, else the
    // one that answers to it by another of its names (ListedFaceName); -1
    // when no installed font of the listed character set has it.
    int IndexOfFace(const std::wstring& face) const;

    void EnumerateStyles(UINT charSet, const std::wstring& face);
    const CFontStyles& GetStyles() const { return m_styles; }
    // The style equal to the font setting's, -1 when none is.
    int IndexOfStyle(const CFontSetting& font) const;

private:
    std::vector<CCharSet> m_charSets;
    std::vector<std::wstring> m_faces;
    UINT m_facesCharSet = DEFAULT_CHARSET;
    CFontStyles m_styles;
};
