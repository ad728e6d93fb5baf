// uia: drives a window of the utility from the command line, for scripts and
// for trying things out by hand under Wine.
//
//   uia [--caption TEXT] [--timeout MS] COMMAND [ARGUMENTS]
//     wait                  print the caption of the window found
//     text                  print a message box's text
//     press BUTTON          ok, cancel, yes, no or a numeric button ID
//     click ID              BM_CLICK on a push or radio button
//     settext ID TEXT       set a control's text
//     select ID TEXT        select a combo-box entry starting with TEXT
//     ip ID A.B.C.D         fill an IP address control
//     get ID                print a control's text (WM_GETTEXT)
//     getw ID               print a control's window text (IP address control)
//
// Without --caption the window is any visible message box; with it, any
// visible dialog with exactly that caption. Waits up to --timeout ms
// (default 10000). Exit code 0 on success, 1 on failure, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "UiAutomation.h"

namespace {
int Usage()
{
    std::fprintf(stderr, "usage: uia [--caption TEXT] [--timeout MS] wait|text|press|click|settext|select|ip|get|getw "
                         "[ARGUMENTS]\n");
    return 2;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "uia: %s\n", what);
    return 1;
}

int ControlId(const std::string& text)
{
    return std::atoi(text.c_str());
}
}  // namespace

int main(int argc, char** argv)
{
    uia::DialogQuery query;
    query.messageBoxOnly = true;
    DWORD timeoutMs = 10000;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--caption" && i + 1 < argc) {
            query.anyCaption = false;
            query.messageBoxOnly = false;
            query.caption = argv[++i];
        } else if (arg == "--timeout" && i + 1 < argc) {
            timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty())
        return Usage();

    HWND window = uia::WaitForDialog(query, timeoutMs);
    if (window == nullptr)
        return Fail("no such window appeared in time");

    const std::string& command = args[0];
    if (command == "wait" && args.size() == 1) {
        std::printf("%s\n", uia::WindowText(window).c_str());
        return 0;
    }
    if (command == "text" && args.size() == 1) {
        std::printf("%s\n", uia::MessageBoxText(window).c_str());
        return 0;
    }
    if (command == "press" && args.size() == 2) {
        int id = uia::ButtonId(args[1]);
        if (id == 0)
            return Usage();
        return uia::PressButton(window, id) ? 0 : Fail("could not press the button");
    }
    if (command == "click" && args.size() == 2)
        return uia::ClickControl(window, ControlId(args[1])) ? 0 : Fail("could not click the control");
    if (command == "settext" && args.size() == 3)
        return uia::SetControlText(window, ControlId(args[1]), args[2]) ? 0 : Fail("could not set the text");
    if (command == "select" && args.size() == 3)
        return uia::SelectComboString(window, ControlId(args[1]), args[2]) ? 0 : Fail("no such combo-box entry");
    if (command == "ip" && args.size() == 3)
        return uia::SetIpAddress(window, ControlId(args[1]), args[2]) ? 0 : Fail("could not set the address");
    if (command == "get" && args.size() == 2) {
        std::printf("%s\n", uia::ControlText(window, ControlId(args[1])).c_str());
        return 0;
    }
    if (command == "getw" && args.size() == 2) {
        HWND control = ::GetDlgItem(window, ControlId(args[1]));
        if (control == nullptr)
            return Fail("no such control");
        std::printf("%s\n", uia::WindowText(control).c_str());
        return 0;
    }
    return Usage();
}
