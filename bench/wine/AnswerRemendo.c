/* Answers remendo.exe's windows under Wine for a timed whole run, as a user
 * would: the connection dialog gets a networked all-in-one (family B series,
 * 10.1.2.31, cvq7292, 0010B5A1C2E4) and "Fix It"; every message box gets Yes
 * or OK. Runs until it is stopped, or for two minutes. */
#include <windows.h>
#include <commctrl.h>

#define IDC_IPADDRESS 1000
#define IDC_RADIO_NETWORK 1002
#define IDC_PRODUCT 1006
#define IDC_HOST 1009
#define IDC_HWADDR 1012

static const char kSeries[] = "CV Quillray 7250/7252/7255/7290/7292 Series";

static BOOL CALLBACK Answer(HWND window, LPARAM unused)
{
    char className[16] = "";
    (void)unused;
    /* The scratch Wine prefix runs nothing else: every dialog is remendo.exe's. */
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    if (GetDlgItem(window, IDC_RADIO_NETWORK) != NULL) {
        SendDlgItemMessageA(window, IDC_PRODUCT, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)kSeries);
        SendDlgItemMessageA(window, IDC_RADIO_NETWORK, BM_CLICK, 0, 0);
        SendDlgItemMessageA(window, IDC_IPADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 31));
        SetDlgItemTextA(window, IDC_HOST, "cvq7292");
        SetDlgItemTextA(window, IDC_HWADDR, "0010B5A1C2E4");
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    } else if (GetDlgItem(window, IDYES) != NULL) {
        PostMessageA(window, WM_COMMAND, IDYES, 0);
    } else if (GetDlgItem(window, IDOK) != NULL || GetDlgItem(window, 2) != NULL) {
        PostMessageA(window, WM_COMMAND, GetDlgItem(window, IDOK) != NULL ? IDOK : IDCANCEL, 0);
    }
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    for (int tick = 0; tick < 2400; ++tick) {
        EnumWindows(Answer, 0);
        Sleep(50);
    }
    return 0;
}
