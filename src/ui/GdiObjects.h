// Owners for GDI objects the painted controls create while they paint.
#pragma once
#include "foundation/Handles.h"

#include <windows.h>

struct GdiObjectTraits {
    using pointer = HGDIOBJ;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { DeleteObject(h); }
};
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>; // brushes, pens, regions, bitmaps

// Restores the DC's state (clip region, selected objects, colours) at the end of a scope.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDC()
    {
        if (id_) RestoreDC(dc_, id_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// Fills a rectangle with a solid colour.
inline void FillSolid(HDC dc, const RECT& rect, COLORREF color)
{
    UniqueGdiObject brush(CreateSolidBrush(color));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}
