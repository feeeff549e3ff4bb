// The presets in a decoration row's combo box, one item per preset in list
// order, so that a combo index is a preset index.
#pragma once
#include "decoration/NamedEffects.h"
#include <windows.h>

void FillComboFromNamedEffects(HWND combo, const CNamedEffects& effects);
