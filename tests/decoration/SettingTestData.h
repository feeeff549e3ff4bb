// Settings for the persistence tests: a snapshot that differs from the
// defaults in every stored field, and a field-by-field comparison.
#pragma once
#include "decoration/Setting.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>

// Every stored field away from its default. Texts carry Japanese and
// characters XML must escape.
inline CSetting UnusualSetting(const std::wstring& folder)
{
    CSetting s;
    s.ConfigPath = folder + L"\\前回.knt";
    s.WindowLayout.FullScreen = true;
    s.WindowLayout.Maximized = true;
    SetRect(&s.WindowLayout.NormalBounds, -8, 10, 1290, 1010);
    s.WindowLayout.SplitterPos = 123;
    CFontSetting& f = s.FontSetting;
    f.CharSet = 1;
    f.FontFace = L"@ＭＳ ゴシック";
    f.Escapement = 900;
    f.Orientation = 450;
    f.Weight = 700;
    f.Italic = true;
    f.Underline = true;
    f.StrikeOut = true;
    f.Size = 425;
    f.Color = 0x123456;
    f.Alpha = 55;
    f.CharWidth = 120;
    f.LineWidth = 80;
    f.LeadingWidth = 15;
    s.PaintSetting.Type = PaintType::LINEAR;
    s.PaintSetting.Color = 0xABCDEF;
    s.PaintSetting.LinearGradation.Angle = 45;
    s.PaintSetting.LinearGradation.Entire = TRUE;
    s.PaintSetting.LinearGradation.Stops[5].Set(false, 0x010203, 0.181818);
    s.UseBorderings = {0, 1, 0, 1, 1};
    for (int i = 0; i < 5; ++i) {
        CBorderingSetting& b = s.Borderings[i];
        b.SetPreset(5 + i * 7, 0x102030 * (i + 1), 90 - i, i * 3, 30 * i, i * 11);
        b.Paint.Type = i % 3;
        b.Paint.LinearGradation.Unit = TextUnit::CHAR;
        b.Paint.Texture.Path = folder + L"\\tex\\<&>木目.png";
        b.Paint.Texture.Type = ImageFitType::CUSTOM_RATE;
        b.Paint.Texture.Unit = TextUnit::PARAGRAPH;
        b.Paint.Texture.RateX = 1.5;
        b.Paint.Texture.RateY = 0.25;
        b.Paint.Texture.SameRate = false;
        b.Paint.Texture.Entire = true;
        b.Paint.Texture.Flip = true;
        b.Paint.Texture.OffsetX = -3;
        b.Paint.Texture.OffsetY = 4;
    }
    s.Borderings[4].Paint.Texture.Path = L"D:\\elsewhere\\t.png";
    s.SaveFormat.Type = OutputType::SVG_TAG;
    s.SaveFormat.JpegQuality = 33;
    s.Unit = TextUnit::PARAGRAPH;
    s.BkColor = 0x00FF00;
    s.Transparent = true;
    s.SingleFile = true;
    s.FolderPath = L"C:\\出力";
    s.FnameType = FnameType::TEXT;
    s.FnameSeqWidth = 4;
    s.TrimType = TrimType::TRIM_L | TrimType::TRIM_B;
    CFontListDlgSetting& d = s.FontListDlg;
    d.CharSet = 128;
    d.Tategaki = 1;
    d.Type = FontType3::VECTOR;
    d.Size = 30;
    d.Weight = FontWeight4::BOLDER;
    d.Italic = FontItalic3::OFF;
    d.SampleText = L"あいう & <abc>";
    d.SampleTexts.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"一")));
    d.SampleTexts.Items.push_back(boost::shared_ptr<std::wstring>(new std::wstring(L"two")));
    d.SampleTexts.MaxSize = 7;
    d.WindowLayout.Maximized = true;
    SetRect(&d.WindowLayout.Rect, 1, 2, 300, 400);
    return s;
}

inline void ExpectSameFont(const CFontSetting& a, const CFontSetting& b)
{
    EXPECT_EQ(a.CharSet, b.CharSet);
    EXPECT_EQ(a.FontFace, b.FontFace);
    EXPECT_EQ(a.Escapement, b.Escapement);
    EXPECT_EQ(a.Orientation, b.Orientation);
    EXPECT_EQ(a.Weight, b.Weight);
    EXPECT_EQ(a.Italic, b.Italic);
    EXPECT_EQ(a.Underline, b.Underline);
    EXPECT_EQ(a.StrikeOut, b.StrikeOut);
    EXPECT_EQ(a.Size, b.Size);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Alpha, b.Alpha);
    EXPECT_EQ(a.CharWidth, b.CharWidth);
    EXPECT_EQ(a.LineWidth, b.LineWidth);
    EXPECT_EQ(a.LeadingWidth, b.LeadingWidth);
}

inline void ExpectSameFontList(const CFontListDlgSetting& a, const CFontListDlgSetting& b)
{
    EXPECT_EQ(a.CharSet, b.CharSet);
    EXPECT_EQ(a.Tategaki, b.Tategaki);
    EXPECT_EQ(a.Type, b.Type);
    EXPECT_EQ(a.Size, b.Size);
    EXPECT_EQ(a.Weight, b.Weight);
    EXPECT_EQ(a.Italic, b.Italic);
    EXPECT_EQ(a.SampleText, b.SampleText);
    EXPECT_TRUE(a.WindowLayout == b.WindowLayout);
    EXPECT_EQ(a.SampleTexts.MaxSize, b.SampleTexts.MaxSize);
    EXPECT_EQ(a.SampleTexts.SaveContents, b.SampleTexts.SaveContents);
    ASSERT_EQ(a.SampleTexts.Items.size(), b.SampleTexts.Items.size());
    auto i = a.SampleTexts.Items.begin();
    for (auto j = b.SampleTexts.Items.begin(); j != b.SampleTexts.Items.end(); ++i, ++j)
        EXPECT_EQ(**i, **j);  // read back as new objects: compare the texts
}

// The parts the decoration settings file carries.
inline void ExpectSameDecorations(const CSetting& a, const CSetting& b)
{
    ExpectSameFont(a.FontSetting, b.FontSetting);
    EXPECT_TRUE(a.PaintSetting == b.PaintSetting);
    EXPECT_EQ(a.UseBorderings, b.UseBorderings);
    ASSERT_EQ(a.Borderings.size(), b.Borderings.size());
    for (size_t i = 0; i < a.Borderings.size(); ++i)
        EXPECT_TRUE(a.Borderings[i] == b.Borderings[i]) << "row " << i;
    EXPECT_TRUE(a.SaveFormat == b.SaveFormat);
    EXPECT_EQ(a.Unit, b.Unit);
    EXPECT_EQ(a.BkColor, b.BkColor);
    EXPECT_EQ(a.Transparent, b.Transparent);
    EXPECT_EQ(a.SingleFile, b.SingleFile);
    EXPECT_EQ(a.FnameType, b.FnameType);
    EXPECT_EQ(a.FnameSeqWidth, b.FnameSeqWidth);
    EXPECT_EQ(a.TrimType, b.TrimType);
}

// Everything the settings file carries.
inline void ExpectSameStored(const CSetting& a, const CSetting& b)
{
    ExpectSameDecorations(a, b);
    EXPECT_EQ(a.ConfigPath, b.ConfigPath);
    EXPECT_TRUE(a.WindowLayout == b.WindowLayout);
    EXPECT_EQ(a.FolderPath, b.FolderPath);
    ExpectSameFontList(a.FontListDlg, b.FontListDlg);
}
