#include "app/NamedEffectsCombo.h"
#include "ui/Window.h"

void FillComboFromNamedEffects(HWND combo, const CNamedEffects& effects)
{
    CComboBoxW box(combo);
    for (const auto& e : effects)
        box.AddString(e->Name.c_str());
}
