#pragma once

#include "core/render/path_renderer.h"

// The four slot colours of a dialog that keeps them as m_clrA, m_clrC, m_clrG and
// m_clrT (slots Left, Up, Down, Right): the settings dialog and the viewer's.
template <typename Dialog> lirovane::SlotColors SlotColorsOf(const Dialog& dialog)
{
    return {dialog.m_clrA, dialog.m_clrC, dialog.m_clrG, dialog.m_clrT};
}

template <typename Dialog> void SetSlotColors(Dialog& dialog, const lirovane::SlotColors& colors)
{
    dialog.m_clrA = colors[0];
    dialog.m_clrC = colors[1];
    dialog.m_clrG = colors[2];
    dialog.m_clrT = colors[3];
}
