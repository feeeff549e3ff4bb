#include "decoration/SaveFormat.h"

std::wstring CSaveFormat::GetExtension() const
{
    switch (Type) {
    case OutputType::JPEG: return L"jpg";
    case OutputType::PDF: return L"pdf";
    case OutputType::SVG: return L"svg";
    case OutputType::SVG_TAG: return L"html";
    case OutputType::EMF: return L"emf";
    default: return L"png";
    }
}

bool CSaveFormat::IsVector() const
{
    return Type == OutputType::PDF || Type == OutputType::SVG || Type == OutputType::SVG_TAG ||
           Type == OutputType::EMF;
}
