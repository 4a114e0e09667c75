// The About box (dialog 107), which is also the opening screen, and the
// logo drawn in it.
#include "app/backgrounds.h"
#include "app/sound.h"
#include "app/viewer_state.h"
#include "app/window/viewer_window.h"
#include "grib/bitmap/bitmap.h"
#include "grib/display/window.h"
#include "grib/draw/draw.h"
#include "grib/image/pcx.h"
#include "grib/palette/palette.h"
#include "resources/resources.h"

namespace {

// The palette index nearest to the dialog face colour, found with the logo.
uint8_t g_faceIndex = 0;

void CreateLogoWindow(HWND box) {
    PlatformRect boxRect{}, placeholder{}, logoRect{};
    PlatformGetWindowRect(box, &boxRect);
    PlatformGetWindowRect(PlatformGetDlgItem(box, IDC_LOGO_WINDOW), &placeholder);
    const int width = (placeholder.right - placeholder.left + 1) & ~3;
    const int height = (placeholder.bottom - placeholder.top + 1) & ~3;
    HWND logo = GRIB_CreateSurfaceWindow(box, placeholder.left - boxRect.left, placeholder.top - boxRect.top, width,
                                         height, DrawLogo, nullptr, 0, g_viewer.tempPaletteName);
    if (!logo) return;
    // Undo the offset of the box's caption and frame, if the window system has one.
    PlatformGetWindowRect(logo, &logoRect);
    PlatformSetWindowPos(logo, nullptr, 2 * placeholder.left - logoRect.left - boxRect.left,
                         2 * placeholder.top - logoRect.top - boxRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

intptr_t AboutDlgProc(HWND dialog, uint32_t message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_viewer.aboutOpen = true;
            if (g_viewer.firstAbout) PlatformSetDlgItemText(dialog, IDOK, "Continue");
            CreateLogoWindow(dialog);
            PlayNamedSound(g_viewer.soundCache, "Fenpup");
            if (TraceEnabled()) {
                char label[32];
                PlatformGetDlgItemText(dialog, IDOK, label, sizeof label);
                Trace("about open button=%s ok %s web %s main-visible=%d", label,
                      TraceRect(PlatformGetDlgItem(dialog, IDOK)).c_str(),
                      TraceRect(PlatformGetDlgItem(dialog, IDC_WEB_SITE)).c_str(),
                      PlatformIsWindowVisible(static_cast<HWND>(g_viewer.mainWindow)));
            }
            return 0;
        case WM_COMMAND: {
            const int id = int(LOWORD(wParam));
            if (id == IDOK || id == IDCANCEL) {
                StopSound();
                g_viewer.aboutOpen = false;
                g_viewer.firstAbout = false;
                g_viewer.clockReset = true;
                PlatformEndDialog(dialog, id);
                Trace("about closed");
            } else if (id == IDC_WEB_SITE) {
                const int opened = PlatformShellOpen(g_viewer.webSite);
                Trace("web-site %s opened=%d", g_viewer.webSite, opened);
            }
            return 0;
        }
        default:
            return 0;
    }
}

int DrawLogo(HWND, GribBitmap* surface, uint32_t) {
    if (!g_viewer.logoImage) {
        g_viewer.logoImage = GRIB_LoadPCX(g_viewer.logoName, nullptr);
        if (!g_viewer.logoImage) FatalError("Could not load the Quilfen Logo image!");
        const uint32_t face = PlatformGetSysColor(COLOR_BTNFACE);
        g_faceIndex = uint8_t(GRIB_NearestColor(g_viewer.palette, GRIB_RGB(uint8_t(face), uint8_t(face >> 8), uint8_t(face >> 16))));
        GribBitmap* logo = g_viewer.logoImage;
        for (uint32_t y = 0; y < logo->height; ++y) {
            uint8_t* row = logo->pixels + size_t(y) * logo->pitch;
            for (uint32_t x = 0; x < logo->width; ++x)
                if (row[x] == 9) row[x] = g_faceIndex;
        }
        FitImage(&g_viewer.logoImage, int32_t(surface->width), int32_t(surface->height));
    }
    GRIB_ClearBitmap(surface, g_faceIndex);
    const GribBitmap* logo = g_viewer.logoImage;
    GRIB_BlitToScreen(surface, logo, (int32_t(surface->width) - int32_t(logo->width)) / 2,
                      (int32_t(surface->height) - int32_t(logo->height)) / 2);
    return 1;
}
