#pragma once
// Colours as the original program stores them: a 32-bit value &H00BBGGRR, or, with the top
// bit set (&H80000000 + n), system colour n. Settings, records and controls keep that
// encoding; it is turned into a QColor only where something is painted, so a system colour
// follows the current palette.
#include <QColor>
#include <cstdint>

// The system colours the windows use, by their original names.
enum VbSystemColor : uint32_t {
    vbScrollBars = 0x80000000u,
    vbDesktop = 0x80000001u,
    vbActiveTitleBar = 0x80000002u,
    vbInactiveTitleBar = 0x80000003u,
    vbMenuBar = 0x80000004u,
    vbWindowBackground = 0x80000005u,
    vbWindowFrame = 0x80000006u,
    vbMenuText = 0x80000007u,
    vbWindowText = 0x80000008u,
    vbTitleBarText = 0x80000009u,
    vbActiveBorder = 0x8000000Au,
    vbInactiveBorder = 0x8000000Bu,
    vbApplicationWorkspace = 0x8000000Cu,
    vbHighlight = 0x8000000Du,
    vbHighlightText = 0x8000000Eu,
    vbButtonFace = 0x8000000Fu,
    vbButtonShadow = 0x80000010u,
    vbGrayText = 0x80000011u,
    vbButtonText = 0x80000012u,
    vbInactiveCaptionText = 0x80000013u,
    vb3DHighlight = 0x80000014u,
    vb3DDKShadow = 0x80000015u,
    vb3DLight = 0x80000016u,
    vbInfoText = 0x80000017u,
    vbInfoBackground = 0x80000018u,
};

// The colour a stored value stands for. A system colour is read from the application's
// palette; an unknown system colour number gives an invalid QColor, so the caller keeps
// its default.
QColor VbColor(uint32_t value);

// The stored value of a plain colour (&H00BBGGRR).
uint32_t VbRGB(int red, int green, int blue);
