// A dialog that paints a bitmap of the program's resources into one placeholder control, with
// its own palette on palette displays.
#pragma once

#include "app/DibGeometry.h"
#include "app/win32/Dialog.h"

namespace app {

class CDibDialog : public CDialog {
public:
    CDibDialog(int templateId, int bitmapId, int placeholderId, bool stretch, bool centre);
    ~CDibDialog() override;

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // Paints the bitmap into the placeholder; origin is where dc's (0, 0) lies in the dialog.
    void PaintBitmap(HDC dc, POINT origin);

private:
    void LoadBitmap();
    void Realize(bool background);

    int bitmapId_;
    int placeholderId_;
    bool stretch_;
    bool centre_;
    const BITMAPINFO* info_ = nullptr;  // in the loaded resource, not copied
    const uint8_t* pixels_ = nullptr;
    dib::PackedBitmap bitmap_;
    HPALETTE palette_ = nullptr;
};

}  // namespace app
